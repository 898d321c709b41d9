#include "live_view.h"

#include <algorithm>
#include <cstdio>
#include <deque>

#include "custom_property.h"
#include "simulated_minidriver.h"

#ifdef SORVEXCAM_HAVE_SDL2
#include <SDL.h>
#endif

namespace sorvexcam {

std::string LiveView::KeysHelp() {
  return "Keys of the live view:\n"
         "  + -                   zoom in, out\n"
         "  t, b                  face tracking, its box drawn in the picture (on/off)\n"
         "  h, v                  flip horizontal, vertical (on/off)\n"
         "  s                     snapshot (also shows its light level and white-balance\n"
         "                        references in the title)\n"
         "  0, 1..9               automatic white balance, white-balance presets\n"
         "  m                     mains flicker 50 Hz / 60 Hz\n"
         "  space                 pause, resume\n"
         "  q, Esc                quit (the run ends there and writes its files)\n";
}

#ifdef SORVEXCAM_HAVE_SDL2

namespace {

constexpr uint32_t kMostZoom = 20;
constexpr uint32_t kZoomStep = 2;  // a twentieth of the width a key
constexpr uint32_t kItemFlipVertical = 4;
constexpr uint32_t kItemFlipHorizontal = 5;
constexpr uint32_t kFlicker50Hz = 1;
constexpr size_t kRateFrames = 16;  // the shown rate is measured over these

// What the keys act on, read back from the library after every frame.
struct CameraState {
  uint32_t zoom = 0;
  uint32_t faceTracking = 0;
  uint32_t faceBox = 0;
  uint32_t flipHorizontal = 0;
  uint32_t flipVertical = 0;
  uint32_t flicker = 0;
  uint32_t awbType = 0;
};

CameraState ReadCameraState(IspContext *context, const FrameRecord &record) {
  const SorvexDevice device = SimulatedMinidriver::kDevice;
  CameraState state;
  state.zoom = record.zoom;
  state.awbType = record.awbType;
  state.faceTracking = GetProperty(context, device, kPropertyFaceTracking).value;
  state.faceBox = GetProperty(context, device, kPropertyFaceDescription).value;
  state.flipHorizontal = GetSettingItem(context, device, kItemFlipHorizontal).value;
  state.flipVertical = GetSettingItem(context, device, kItemFlipVertical).value;
  state.flicker = GetProperty(context, device, kPropertyFlicker).value;
  return state;
}

const char *OnOff(uint32_t value) { return value != 0 ? "on" : "off"; }

std::string Title(const FrameRecord &record, double shownFps, const CameraState &state,
                  const std::optional<SnapshotValues> &snapshot, uint32_t snapshotFrame, bool paused) {
  char text[512];
  std::string light = "light and WB refs: press s";
  if (snapshot) {
    std::snprintf(text, sizeof text, "light %u, WB refs %u/%u/%u (snapshot %u, frame %u)", snapshot->lightLevel,
                  snapshot->awbRefR, snapshot->awbRefG, snapshot->awbRefB, snapshot->number, snapshotFrame);
    light = text;
  }
  const std::string wb = state.awbType == 0 ? std::string("auto") : "preset " + std::to_string(state.awbType);
  std::snprintf(text, sizeof text,
                "sorvexcam | frame %u | %.1f fps (shown %.1f) | exposure %d/%u | %s | WB %s | zoom %u | "
                "face tracking %s, box %s | flip h %s, v %s | %s Hz%s",
                record.frame, record.fps, shownFps, record.aeIndex, record.aeLength, light.c_str(), wb.c_str(),
                state.zoom, OnOff(state.faceTracking), OnOff(state.faceBox), OnOff(state.flipHorizontal),
                OnOff(state.flipVertical), state.flicker == kFlicker50Hz ? "50" : "60", paused ? " | paused" : "");
  return text;
}

// A set request as --set would give it, for the next frame.
PropertyAction SetAction(uint32_t frame, const std::string &nameAndValue) {
  PropertyAction action;
  std::string error;
  ParsePropertyAction(std::to_string(frame) + ":" + nameAndValue, true, &action, &error);
  return action;
}


struct SdlWindow {
  SDL_Window *window = nullptr;
  ~SdlWindow() {
    if (window != nullptr) SDL_DestroyWindow(window);
    SDL_Quit();
  }
};

class SdlLiveView : public LiveView {
 public:
  SdlLiveView(std::unique_ptr<SdlWindow> window, const Options &options)
      : window_(std::move(window)), framePeriodMs_(1000.0 * options.fpsDenominator / options.fpsNumerator) {}

  WatcherAnswer AfterFrame(IspContext *context, const FrameRecord &record, const RgbImage &picture) override;

 private:
  void Draw(const RgbImage &picture);
  void ShowTitle(const FrameRecord &record);
  // Handles one event: a key queues its request in *answer (or pauses).
  void Handle(const SDL_Event &event, uint32_t nextFrame, WatcherAnswer *answer);

  std::unique_ptr<SdlWindow> window_;
  double framePeriodMs_;
  uint64_t dueMs_ = 0;  // when the next frame is due on screen
  // When the last frames were shown, for the rate the window reaches.
  std::deque<uint64_t> shownMs_;
  CameraState state_;
  std::optional<SnapshotValues> snapshot_;
  uint32_t snapshotFrame_ = 0;
  bool paused_ = false;
};

void SdlLiveView::Draw(const RgbImage &picture) {
  SDL_Surface *target = SDL_GetWindowSurface(window_->window);
  SDL_Surface *frame = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<uint8_t *>(picture.rgb.data()), picture.width, picture.height, 24, picture.width * 3,
      SDL_PIXELFORMAT_RGB24);
  if (target != nullptr && frame != nullptr) {
    SDL_BlitSurface(frame, nullptr, target, nullptr);
    SDL_UpdateWindowSurface(window_->window);
  }
  if (frame != nullptr) SDL_FreeSurface(frame);
}

void SdlLiveView::ShowTitle(const FrameRecord &record) {
  const uint64_t span = shownMs_.size() > 1 ? shownMs_.back() - shownMs_.front() : 0;
  const double shownFps = span != 0 ? 1000.0 * static_cast<double>(shownMs_.size() - 1) / static_cast<double>(span) : 0;
  SDL_SetWindowTitle(window_->window, Title(record, shownFps, state_, snapshot_, snapshotFrame_, paused_).c_str());
}

void SdlLiveView::Handle(const SDL_Event &event, uint32_t nextFrame, WatcherAnswer *answer) {
  if (event.type == SDL_QUIT) {
    answer->stop = true;
    return;
  }
  if (event.type != SDL_KEYDOWN) return;
  const SDL_Keycode key = event.key.keysym.sym;
  auto set = [&](const std::string &nameAndValue) { answer->actions.push_back(SetAction(nextFrame, nameAndValue)); };
  auto toggle = [&](uint32_t *value, const char *name) {
    *value = *value != 0 ? 0 : 1;
    set(std::string(name) + "=" + std::to_string(*value));
  };
  switch (key) {
    case SDLK_PLUS: case SDLK_EQUALS: case SDLK_KP_PLUS:
      state_.zoom = std::min(kMostZoom, state_.zoom + kZoomStep);
      set("zoom=" + std::to_string(state_.zoom));
      break;
    case SDLK_MINUS: case SDLK_KP_MINUS:
      state_.zoom = state_.zoom > kZoomStep ? state_.zoom - kZoomStep : 0;
      set("zoom=" + std::to_string(state_.zoom));
      break;
    case SDLK_t: toggle(&state_.faceTracking, "facetrack"); break;
    case SDLK_b: toggle(&state_.faceBox, "facebox"); break;
    case SDLK_h: toggle(&state_.flipHorizontal, "fliph"); break;
    case SDLK_v: toggle(&state_.flipVertical, "flipv"); break;
    case SDLK_s: set("snapshot"); break;
    case SDLK_m:
      state_.flicker = state_.flicker == kFlicker50Hz ? 0 : kFlicker50Hz;
      set(state_.flicker == kFlicker50Hz ? "flicker=50hz" : "flicker=60hz");
      break;
    case SDLK_SPACE: case SDLK_p: paused_ = !paused_; break;
    case SDLK_q: case SDLK_ESCAPE: answer->stop = true; break;
    default:
      if (key >= SDLK_0 && key <= SDLK_9) {
        state_.awbType = static_cast<uint32_t>(key - SDLK_0);
        set("wb=" + std::to_string(state_.awbType));
      }
      break;
  }
}

WatcherAnswer SdlLiveView::AfterFrame(IspContext *context, const FrameRecord &record, const RgbImage &picture) {
  state_ = ReadCameraState(context, record);
  if (record.snapshot) {
    snapshot_ = record.snapshot;
    snapshotFrame_ = record.frame;
  }
  const uint64_t now = SDL_GetTicks64();
  shownMs_.push_back(now);
  if (shownMs_.size() > kRateFrames) shownMs_.pop_front();
  Draw(picture);
  ShowTitle(record);

  // Wait for the frame's time on the simulated clock, or for the end of a
  // pause, handling keys meanwhile (always those already queued: a stream
  // slower than its rate is shown as fast as it is made).
  WatcherAnswer answer;
  dueMs_ = std::max<uint64_t>(dueMs_ + static_cast<uint64_t>(framePeriodMs_), now);
  auto handle = [&](const SDL_Event &event) {
    const bool wasPaused = paused_;
    Handle(event, record.frame + 1, &answer);
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) Draw(picture);
    if (event.type == SDL_KEYDOWN) ShowTitle(record);
    if (wasPaused && !paused_) dueMs_ = SDL_GetTicks64();
  };
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) handle(event);
  for (;;) {
    const uint64_t time = SDL_GetTicks64();
    if (answer.stop || (!paused_ && time >= dueMs_)) break;
    const int wait = paused_ ? 100 : static_cast<int>(dueMs_ - time);
    if (SDL_WaitEventTimeout(&event, wait) != 0) handle(event);
  }
  return answer;
}

}  // namespace

std::unique_ptr<LiveView> LiveView::Open(const Options &options, std::string *error) {
  // Signals stay the front end's, with a window as without one.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    *error = std::string("--view needs a display: ") + SDL_GetError();
    SDL_Quit();
    return nullptr;
  }
  // With no display SDL falls back to drivers that draw nowhere.
  const std::string driver = SDL_GetCurrentVideoDriver() != nullptr ? SDL_GetCurrentVideoDriver() : "";
  if (driver == "offscreen" || driver == "dummy") {
    SDL_Quit();
    *error = "--view needs a display, and there is none (DISPLAY and WAYLAND_DISPLAY are not set)";
    return nullptr;
  }
  auto window = std::make_unique<SdlWindow>();
  window->window = SDL_CreateWindow("sorvexcam", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                    static_cast<int>(options.width), static_cast<int>(options.height), 0);
  if (window->window == nullptr || SDL_GetWindowSurface(window->window) == nullptr) {
    *error = std::string("--view cannot open its window: ") + SDL_GetError();
    return nullptr;
  }
  return std::make_unique<SdlLiveView>(std::move(window), options);
}

#else

std::unique_ptr<LiveView> LiveView::Open(const Options &, std::string *error) {
  *error = "--view is not available: this sorvexcam was built without SDL2 (scripts/setup.sh installs it)";
  return nullptr;
}

#endif

}  // namespace sorvexcam
