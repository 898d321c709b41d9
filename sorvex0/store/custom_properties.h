// The camera's private property set: applications read and change the
// settings, read the capture geometry, peek and poke single registers,
// exchange the gamma curve, arm raw snapshots, reset the gamma curve and
// reload the factory defaults. The minidriver forwards each request to the
// two exports, which answer here.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// What a property set may ask of the stream, which is started above this
// floor: the restart at the requested size (the doubled-capture setting and
// the factory defaults need one).
struct StreamControl {
  void (*restart)(IspContext *context, SorvexDevice device);
};

// The number of valid bytes of the request's data buffer; 0 for an
// identifier that is not handled (or a request without its buffers).
uint32_t AnswerGetProperty(IspContext *context, SorvexDevice device,
                           const SorvexPropertyDescriptor *request);
uint32_t AnswerSetProperty(IspContext *context, SorvexDevice device,
                           const SorvexPropertyDescriptor *request, const StreamControl &stream);

}  // namespace sorvex0
