#include "store/settings_table.h"

#include "sorvex0_property.h"

namespace sorvex0 {

namespace {

template <uint32_t IspContext::*kField>
uint32_t *FieldOf(IspContext *context) {
  return &(context->*kField);
}

template <uint32_t kElement>
uint32_t *AwbPresetOf(IspContext *context) {
  return &context->awbPreset[kElement];
}

// The exposure index is signed in the context and exchanged as a word.
uint32_t *AeIndexOf(IspContext *context) { return reinterpret_cast<uint32_t *>(&context->aeIndex); }

constexpr uint32_t kDword = 4;
constexpr uint32_t kNeutralPreset = 0x646464;

// A setting kept in the registry: default and current value, item, field and fallback.
constexpr Setting Stored(const WCHAR *defaultName, const WCHAR *currentName, uint32_t item,
                         uint32_t *(*field)(IspContext *), uint32_t fallback,
                         uint32_t SensorDescriptor::*sensorFallback = nullptr) {
  return {defaultName, false, currentName, item, false, field, kDword, sensorFallback, fallback};
}

// A property item that no registry value holds.
constexpr Setting Reported(uint32_t item, bool readOnly, uint32_t *(*field)(IspContext *)) {
  return {nullptr, false, nullptr, item, readOnly, field, kDword, nullptr, 0};
}

// The flip pair is crosswise in the stored defaults: "Default_FlipHoz"
// holds the vertical flip and "Default_FlipVer" the horizontal one, while
// the current values are straight.
constexpr Setting kSettings[] = {
    {KTEXT("InvertImage"), true, nullptr, 0, false, FieldOf<&IspContext::invertImage>, kDword,
     nullptr, 0},
    Stored(KTEXT("Default_Flicker"), KTEXT("Camera_Flicker"), SORVEX_ITEM_FLICKER,
           FieldOf<&IspContext::flickerMode>, 0),
    Stored(KTEXT("Default_OutDoor"), KTEXT("Camera_OutDoor"), SORVEX_ITEM_OUT_DOOR,
           FieldOf<&IspContext::outDoor>, 0),
    Stored(KTEXT("Default_LowLight"), KTEXT("Camera_LowLight"), SORVEX_ITEM_LOW_LIGHT,
           FieldOf<&IspContext::lowLight>, 0),
    Stored(KTEXT("Default_FlipHoz"), KTEXT("Camera_FlipVer"), SORVEX_ITEM_FLIP_VERTICAL,
           FieldOf<&IspContext::flipVertical>, 0),
    Stored(KTEXT("Default_FlipVer"), KTEXT("Camera_FlipHoz"), SORVEX_ITEM_FLIP_HORIZONTAL,
           FieldOf<&IspContext::flipHorizontal>, 0),
    Stored(KTEXT("Default_AWBType"), KTEXT("Camera_AWBType"), SORVEX_ITEM_AWB_TYPE,
           FieldOf<&IspContext::awbType>, 0, &SensorDescriptor::awbTypeFallback),
    Stored(KTEXT("Default_AWB1"), KTEXT("Camera_AWB1"), SORVEX_ITEM_AWB_PRESET_1, AwbPresetOf<0>,
           kNeutralPreset, &SensorDescriptor::awbPreset1Fallback),
    Stored(KTEXT("Default_AWB2"), KTEXT("Camera_AWB2"), SORVEX_ITEM_AWB_PRESET_1 + 1, AwbPresetOf<1>,
           kNeutralPreset),
    Stored(KTEXT("Default_AWB3"), KTEXT("Camera_AWB3"), SORVEX_ITEM_AWB_PRESET_1 + 2, AwbPresetOf<2>,
           kNeutralPreset),
    Stored(KTEXT("Default_AWB4"), KTEXT("Camera_AWB4"), SORVEX_ITEM_AWB_PRESET_1 + 3, AwbPresetOf<3>,
           kNeutralPreset),
    Stored(KTEXT("Default_AWB5"), KTEXT("Camera_AWB5"), SORVEX_ITEM_AWB_PRESET_1 + 4, AwbPresetOf<4>,
           kNeutralPreset),
    Stored(KTEXT("Default_AWB6"), KTEXT("Camera_AWB6"), SORVEX_ITEM_AWB_PRESET_1 + 5, AwbPresetOf<5>,
           kNeutralPreset),
    Stored(KTEXT("Default_AWB7"), KTEXT("Camera_AWB7"), SORVEX_ITEM_AWB_PRESET_1 + 6, AwbPresetOf<6>,
           kNeutralPreset),
    Stored(KTEXT("Default_AWB8"), KTEXT("Camera_AWB8"), SORVEX_ITEM_AWB_PRESET_1 + 7, AwbPresetOf<7>,
           kNeutralPreset),
    Stored(KTEXT("Default_AWB9"), KTEXT("Camera_AWB9"), SORVEX_ITEM_AWB_PRESET_9, AwbPresetOf<8>,
           kNeutralPreset),
    Stored(KTEXT("Default_AEType"), nullptr, SORVEX_ITEM_AE_TYPE, FieldOf<&IspContext::aeType>, 0),
    Stored(KTEXT("Default_AETarget"), nullptr, SORVEX_ITEM_AE_TARGET,
           FieldOf<&IspContext::aeTarget>, 72, &SensorDescriptor::aeTargetFallback),
    Stored(KTEXT("Default_Clock"), KTEXT("Camera_Clock"), SORVEX_ITEM_CLOCK,
           FieldOf<&IspContext::clock>, 20),
    Stored(KTEXT("Default_SSBS"), KTEXT("Camera_SSBS"), SORVEX_ITEM_SSBS, FieldOf<&IspContext::ssbs>,
           1, &SensorDescriptor::ssbsFallback),
    Stored(KTEXT("Default_FBF"), nullptr, SORVEX_ITEM_FBF, FieldOf<&IspContext::fbf>, 1),
    Stored(KTEXT("Default_RIC"), KTEXT("Camera_RIC"), SORVEX_ITEM_RIC, FieldOf<&IspContext::ric>, 1,
           &SensorDescriptor::ricFallback),
    Stored(KTEXT("Default_BPC"), KTEXT("Camera_BPC"), SORVEX_ITEM_BPC, FieldOf<&IspContext::bpc>, 1),
    Stored(KTEXT("Default_DeNoise"), KTEXT("Camera_DeNoise"), SORVEX_ITEM_DENOISE,
           FieldOf<&IspContext::deNoise>, 1),
    Stored(KTEXT("Default_IPMode"), nullptr, SORVEX_ITEM_IP_MODE, FieldOf<&IspContext::ipMode>, 2),
    // Zoom and face tracking have properties of their own (60 to 62), no item.
    Stored(KTEXT("Default_Zoom"), KTEXT("Camera_Zoom"), 0, FieldOf<&IspContext::zoom>, 0),
    Stored(KTEXT("Default_FaceTracking"), KTEXT("Camera_FaceTrack"), 0,
           FieldOf<&IspContext::faceTracking>, 0),
    Stored(KTEXT("Default_FaceDescription"), nullptr, 0, FieldOf<&IspContext::faceDescription>, 0),
    Reported(SORVEX_ITEM_AE_TABLE_LENGTH, true, FieldOf<&IspContext::aeTableLength>),
    Reported(SORVEX_ITEM_AE_INDEX, false, AeIndexOf),
    Reported(SORVEX_ITEM_REQUESTED_WIDTH, true, FieldOf<&IspContext::requestedWidth>),
    Reported(SORVEX_ITEM_REQUESTED_HEIGHT, true, FieldOf<&IspContext::requestedHeight>),
    Reported(SORVEX_ITEM_CAPTURE_WIDTH, true, FieldOf<&IspContext::captureWidth>),
    Reported(SORVEX_ITEM_CAPTURE_HEIGHT, true, FieldOf<&IspContext::captureHeight>),
};

}  // namespace

const Setting *SettingsBegin() { return kSettings; }
const Setting *SettingsEnd() { return kSettings + sizeof(kSettings) / sizeof(kSettings[0]); }

const Setting *SettingOfItem(uint32_t item) {
  if (item == 0) return nullptr;
  for (const Setting &setting : kSettings) {
    if (setting.item == item) return &setting;
  }
  return nullptr;
}

uint32_t SettingFallback(const Setting &setting, const IspContext *context) {
  if (setting.sensorFallback == nullptr) return setting.fallback;
  return SensorOf(context).*setting.sensorFallback;
}

}  // namespace sorvex0
