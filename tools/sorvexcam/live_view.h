// The live view (--view): a window of the output size that shows every
// output frame as it is made, paced to the stream's frame rate, with the
// stream's state in its title, and keys that send the custom property
// requests an application would (zoom, face tracking and its box, flip,
// snapshot, white balance, mains flicker), pause and quit.
//
// The title shows the light level and the white-balance references of the
// last snapshot (the library reports them nowhere else), so the snapshot key
// refreshes them.
#pragma once

#include <memory>
#include <string>

#include "frame_watcher.h"
#include "options.h"

namespace sorvexcam {

class LiveView : public FrameWatcher {
 public:
  // Null, with a reason, when no window can be opened: no display, or a
  // build without SDL2.
  static std::unique_ptr<LiveView> Open(const Options &options, std::string *error);
  // The keys, for --help.
  static std::string KeysHelp();
};

}  // namespace sorvexcam
