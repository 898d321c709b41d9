// Property gets and sets that the user asks for at chosen frames, by name:
// --set FRAME:NAME=VALUE runs just before frame FRAME is processed, --get
// FRAME:NAME[=ADDRESS] just after it.
#pragma once

#include <cstdint>
#include <string>

#include "sorvex0.h"

namespace sorvexcam {

struct PropertyAction {
  enum class Kind {
    kDirect,              // a property of its own (zoom, face tracking, flicker)
    kItem,                // a setting item: get through 31/32, set through 33
    kSensorRegister,      // peek and poke through 54 (address selected by 51 for a peek)
    kControllerRegister,  // the same through 52
    kSnapshot,            // set 57 arms a snapshot, get 57 reads its number
    kSensorId,            // get 55
    kGamma,               // get 64
    kRotate,              // ISPFunc_Rotate with the two flags
  };
  uint32_t frame = 0;
  bool set = false;
  std::string text;  // as given, for messages
  Kind kind = Kind::kDirect;
  uint32_t id = 0;  // the property identifier (direct) or the item number
  uint32_t value = 0;
  uint32_t address = 0;  // register address, or the vertical flag of a rotation
};

// Parses "FRAME:NAME=VALUE" (a set) or "FRAME:NAME[=ADDRESS]" (a get).
// False, with a reason naming the valid choices, for anything else.
bool ParsePropertyAction(const std::string &text, bool set, PropertyAction *action,
                         std::string *error);

// The names for the usage text.
std::string PropertyNamesHelp();

// Sends the action through the exports and describes the outcome in one
// line, such as "get zoom = 4". Sets a flag in *armedSnapshot for a
// snapshot request.
std::string RunPropertyAction(IspContext *context, SorvexDevice device, const PropertyAction &action,
                              bool *armedSnapshot);

}  // namespace sorvexcam
