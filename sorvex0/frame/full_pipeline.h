// Processing mode 2, the default: the library's own sequence of stages from
// a raw Bayer frame to the output image. Oversized frames are halved, the
// exposure step runs, lens shading is corrected, the conversion library
// turns the frame into filtered YUYV, the zoom window or face tracking
// frames it, and the image is converted to the output format and enlarged
// when the sensor captured fewer pixels than were asked for.
#pragma once

#include "core/frame_request.h"

namespace sorvex0 {

// The three variants, by output format. Each writes exactly the output
// image of the frame's size into frame.destination, or a black image when a
// working buffer cannot be had.
void RunYuyvPipeline(IspContext *context, const FrameRequest &frame);
void RunRgb24Pipeline(IspContext *context, const FrameRequest &frame);
void RunI420Pipeline(IspContext *context, const FrameRequest &frame);

// The YUYV variant into another target of the output size (the MI1320
// path's stage buffer). False when a working buffer cannot be had.
bool RunYuyvPipelineInto(IspContext *context, const FrameRequest &frame, uint8_t *target);

// The core conversion stage: lens shading on the raw frame, then the
// conversion library's Bayer-to-YUYV conversion of the Ws x Hs source into a
// W x H image in `target` (through the work buffer for widths up to 640),
// with the bottom lines filled and the frame filter applied. Wf x Hf is the
// full frame the source was cut from. False when the work buffer is missing.
bool ConvertRawToFilteredYuyv(IspContext *context, const FrameRequest &frame, uint8_t *target,
                              uint32_t width, uint32_t height, uint32_t sourceWidth,
                              uint32_t sourceHeight, uint32_t frameWidth, uint32_t frameHeight);

}  // namespace sorvex0
