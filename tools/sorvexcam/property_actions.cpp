#include "property_actions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "custom_property.h"

namespace sorvexcam {
namespace {

using Kind = PropertyAction::Kind;

enum Access : uint8_t { kGetOnly = 1, kSetOnly = 2, kBoth = 3 };

struct NamedProperty {
  const char *name;
  Kind kind;
  uint32_t id;
  Access access;
};

constexpr NamedProperty kNames[] = {
    {"zoom", Kind::kDirect, kPropertyZoom, kBoth},
    {"facetrack", Kind::kDirect, kPropertyFaceTracking, kBoth},
    {"facebox", Kind::kDirect, kPropertyFaceDescription, kBoth},
    {"flicker", Kind::kDirect, kPropertyFlicker, kBoth},
    {"outdoor", Kind::kItem, SORVEX_ITEM_OUT_DOOR, kBoth},
    {"lowlight", Kind::kItem, SORVEX_ITEM_LOW_LIGHT, kBoth},
    {"flipv", Kind::kItem, SORVEX_ITEM_FLIP_VERTICAL, kBoth},
    {"fliph", Kind::kItem, SORVEX_ITEM_FLIP_HORIZONTAL, kBoth},
    {"ric", Kind::kItem, SORVEX_ITEM_RIC, kBoth},
    {"bpc", Kind::kItem, SORVEX_ITEM_BPC, kBoth},
    {"denoise", Kind::kItem, SORVEX_ITEM_DENOISE, kBoth},
    {"wb", Kind::kItem, SORVEX_ITEM_AWB_TYPE, kBoth},
    {"awb1", Kind::kItem, SORVEX_ITEM_AWB_PRESET_1, kBoth},
    {"awb2", Kind::kItem, SORVEX_ITEM_AWB_PRESET_1 + 1, kBoth},
    {"awb3", Kind::kItem, SORVEX_ITEM_AWB_PRESET_1 + 2, kBoth},
    {"awb4", Kind::kItem, SORVEX_ITEM_AWB_PRESET_1 + 3, kBoth},
    {"awb5", Kind::kItem, SORVEX_ITEM_AWB_PRESET_1 + 4, kBoth},
    {"awb6", Kind::kItem, SORVEX_ITEM_AWB_PRESET_1 + 5, kBoth},
    {"awb7", Kind::kItem, SORVEX_ITEM_AWB_PRESET_1 + 6, kBoth},
    {"awb8", Kind::kItem, SORVEX_ITEM_AWB_PRESET_1 + 7, kBoth},
    {"awb9", Kind::kItem, SORVEX_ITEM_AWB_PRESET_9, kBoth},
    {"aetype", Kind::kItem, SORVEX_ITEM_AE_TYPE, kBoth},
    {"aetarget", Kind::kItem, SORVEX_ITEM_AE_TARGET, kBoth},
    {"aelength", Kind::kItem, SORVEX_ITEM_AE_TABLE_LENGTH, kGetOnly},
    {"aeindex", Kind::kItem, SORVEX_ITEM_AE_INDEX, kBoth},
    {"exposure", Kind::kItem, SORVEX_ITEM_EXPOSURE_VALUE, kGetOnly},
    {"clock", Kind::kItem, SORVEX_ITEM_CLOCK, kBoth},
    {"ssbs", Kind::kItem, SORVEX_ITEM_SSBS, kBoth},
    {"fbf", Kind::kItem, SORVEX_ITEM_FBF, kBoth},
    {"ipmode", Kind::kItem, SORVEX_ITEM_IP_MODE, kBoth},
    {"reqwidth", Kind::kItem, SORVEX_ITEM_REQUESTED_WIDTH, kGetOnly},
    {"reqheight", Kind::kItem, SORVEX_ITEM_REQUESTED_HEIGHT, kGetOnly},
    {"capwidth", Kind::kItem, SORVEX_ITEM_CAPTURE_WIDTH, kGetOnly},
    {"capheight", Kind::kItem, SORVEX_ITEM_CAPTURE_HEIGHT, kGetOnly},
    {"gammareset", Kind::kItem, SORVEX_ITEM_RESET_GAMMA, kSetOnly},
    {"defaults", Kind::kItem, SORVEX_ITEM_FACTORY_DEFAULTS, kSetOnly},
    {"reg", Kind::kSensorRegister, kPropertySensorRegister, kBoth},
    {"creg", Kind::kControllerRegister, kPropertyControllerRegister, kBoth},
    {"snapshot", Kind::kSnapshot, kPropertySnapshot, kBoth},
    {"sensor", Kind::kSensorId, kPropertySensorId, kGetOnly},
    {"gamma", Kind::kGamma, kPropertyGamma, kGetOnly},
    {"rotate", Kind::kRotate, 0, kSetOnly},
};

// Words that stand for numbers, per property.
struct ValueWord {
  const char *property;
  const char *word;
  uint32_t value;
};
constexpr ValueWord kValueWords[] = {
    {"flicker", "50hz", 1}, {"flicker", "60hz", 0}, {"wb", "auto", 0},
};

// A decimal or 0x-prefixed hexadecimal 32-bit number, and nothing else.
bool ParseNumber(const std::string &text, uint32_t *value) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  char *end = nullptr;
  errno = 0;
  const unsigned long long parsed = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull) return false;
  *value = static_cast<uint32_t>(parsed);
  return true;
}

bool ParseValue(const std::string &property, const std::string &text, uint32_t *value) {
  for (const ValueWord &word : kValueWords) {
    if (property == word.property && text == word.word) {
      *value = word.value;
      return true;
    }
  }
  return ParseNumber(text, value);
}

bool SplitPair(const std::string &text, char separator, std::string *first, std::string *second) {
  const size_t at = text.find(separator);
  if (at == std::string::npos) return false;
  *first = text.substr(0, at);
  *second = text.substr(at + 1);
  return true;
}

const NamedProperty *FindName(const std::string &name) {
  for (const NamedProperty &property : kNames) {
    if (name == property.name) return &property;
  }
  return nullptr;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// Parses what follows the name: the value of a set or the address of a get.
bool ParseArgument(const NamedProperty &property, const std::string &name, bool hasArgument,
                   const std::string &argument, PropertyAction *action, std::string *error) {
  const bool isRegister = property.kind == Kind::kSensorRegister || property.kind == Kind::kControllerRegister;
  if (isRegister) {
    std::string address = argument, value;
    const bool ok = hasArgument && (action->set ? SplitPair(argument, ':', &address, &value) &&
                                                      ParseNumber(value, &action->value)
                                                : true) &&
                    ParseNumber(address, &action->address) && action->address <= 0xFFFF;
    if (!ok) *error = action->set ? name + " wants =ADDRESS:VALUE" : name + " wants =ADDRESS";
    return ok;
  }
  if (property.kind == Kind::kRotate) {
    std::string horizontal, vertical;
    const bool ok = hasArgument && SplitPair(argument, ',', &horizontal, &vertical) &&
                    ParseNumber(horizontal, &action->value) && ParseNumber(vertical, &action->address);
    if (!ok) *error = "rotate wants =HORIZONTAL,VERTICAL (flags, 0 or 1)";
    return ok;
  }
  if (!action->set || property.kind == Kind::kSnapshot) {
    if (hasArgument) *error = name + " takes no value here";
    return !hasArgument;
  }
  const bool ignoresValue = property.id == SORVEX_ITEM_RESET_GAMMA || property.id == SORVEX_ITEM_FACTORY_DEFAULTS;
  if (ignoresValue && !hasArgument) return true;
  if (!hasArgument || !ParseValue(property.name, argument, &action->value)) {
    *error = name + " wants =VALUE (a number" +
             (std::string(property.name) == "flicker" ? ", 50hz or 60hz" : std::string(property.name) == "wb" ? ", auto" : "") +
             ")";
    return false;
  }
  return true;
}

}  // namespace

bool ParsePropertyAction(const std::string &text, bool set, PropertyAction *action, std::string *error) {
  *action = PropertyAction();
  action->set = set;
  action->text = text;
  std::string frame, rest;
  if (!SplitPair(text, ':', &frame, &rest) || !ParseNumber(frame, &action->frame)) {
    *error = "\"" + text + "\": want FRAME:NAME" + (set ? "=VALUE" : "[=ADDRESS]");
    return false;
  }
  std::string name = rest, argument;
  const bool hasArgument = SplitPair(rest, '=', &name, &argument);
  NamedProperty generic = {"item", Kind::kItem, 0, kBoth};
  const NamedProperty *property = FindName(name);
  if (property == nullptr && name.rfind("item.", 0) == 0 && ParseNumber(name.substr(5), &generic.id)) {
    property = &generic;
  }
  if (property == nullptr) {
    *error = "\"" + text + "\": unknown property \"" + name + "\" (" + PropertyNamesHelp() + ")";
    return false;
  }
  if ((set && property->access == kGetOnly) || (!set && property->access == kSetOnly)) {
    *error = "\"" + text + "\": " + name + " can only be " + (set ? "read (--get)" : "written (--set)");
    return false;
  }
  action->kind = property->kind;
  action->id = property->id;
  if (!ParseArgument(*property, name, hasArgument, argument, action, error)) {
    *error = "\"" + text + "\": " + *error;
    return false;
  }
  return true;
}

std::string PropertyNamesHelp() {
  std::string names;
  for (const NamedProperty &property : kNames) {
    if (!names.empty()) names += ' ';
    names += property.name;
  }
  return names + " item.N";
}

std::string RunPropertyAction(IspContext *context, SorvexDevice device, const PropertyAction &action,
                              bool *armedSnapshot) {
  const std::string what = std::string(action.set ? "set " : "get ") + action.text.substr(action.text.find(':') + 1);
  PropertyAnswer answer;
  switch (action.kind) {
    case Kind::kDirect:
      answer = action.set ? SetProperty(context, device, action.id, action.value)
                          : GetProperty(context, device, action.id);
      break;
    case Kind::kItem:
      answer = action.set ? SetProperty(context, device, kPropertySetItem, action.value, action.id)
                          : GetSettingItem(context, device, action.id);
      break;
    case Kind::kSensorRegister:
    case Kind::kControllerRegister:
      if (action.set) {
        answer = SetProperty(context, device, action.id, action.value, action.address);
      } else {
        SetProperty(context, device, kPropertySelectRegister, action.address);
        answer = GetProperty(context, device, action.id);
      }
      break;
    case Kind::kSnapshot:
      if (action.set) {
        answer = SetProperty(context, device, kPropertySnapshot, 0);
        *armedSnapshot = true;
      } else {
        answer = GetSnapshotNumber(context, device);
      }
      break;
    case Kind::kSensorId:
      answer = GetProperty(context, device, kPropertySensorId);
      break;
    case Kind::kGamma: {
      const GammaAnswer gamma = GetGamma(context, device);
      std::string points;
      for (uint32_t point : gamma.points) points += " " + std::to_string(point);
      return what + " = " + std::to_string(gamma.pointCount) + " points:" + points + " (" +
             std::to_string(gamma.bytes) + " bytes)";
    }
    case Kind::kRotate:
      ISPFunc_Rotate(context, device, action.value, action.address);
      return what;
  }
  if (answer.bytes == 0) return what + ": not handled by the library (0 bytes)";
  if (action.set) return what + " (" + std::to_string(answer.bytes) + " bytes)";
  return what + " = " + std::to_string(answer.value) + " (" + Hex(answer.value) + ")";
}

}  // namespace sorvexcam
