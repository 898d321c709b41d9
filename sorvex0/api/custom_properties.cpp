// The two custom-property exports.

#include "frame/stream_start.h"
#include "store/custom_properties.h"

namespace {

// A property set that changes the capture restarts the stream, which the
// frame floor starts.
constexpr sorvex0::StreamControl kStream = {sorvex0::RestartStream};

}  // namespace

extern "C" SORVEX_EXPORT uint32_t SORVEX_CALL ISPFunc_prpmanf_GetCustomProperty(
    IspContext *context, SorvexDevice device, SorvexPropertyDescriptor *request) {
  return sorvex0::AnswerGetProperty(context, device, request);
}

extern "C" SORVEX_EXPORT uint32_t SORVEX_CALL ISPFunc_prpmanf_SetCustomProperty(
    IspContext *context, SorvexDevice device, SorvexPropertyDescriptor *request) {
  return sorvex0::AnswerSetProperty(context, device, request, kStream);
}
