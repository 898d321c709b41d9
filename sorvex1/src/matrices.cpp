// The two matrices of the raw conversion, copied into the state.
#include "library_state.h"
#include "pixel_math.h"
#include "rgb_to_yuyv_row.h"
#include "slots.h"

namespace sorvex1 {
namespace {

void CopyMatrix(const int32_t *matrix, int32_t *destination) {
  for (int32_t i = 0; i < kMatrixValues; ++i) {
    destination[i] = ClampInt(matrix[i], -kMatrixValueLimit, kMatrixValueLimit);
  }
}

}  // namespace

void SORVEX1_CALL SetColourMatrix(void *userData, const int32_t *matrix) {
  LibraryState *state = StateFromUserData(userData);
  if (state != nullptr && matrix != nullptr) CopyMatrix(matrix, state->colourMatrix);
}

void SORVEX1_CALL SetYuvMatrix(void *userData, const int32_t *matrix) {
  LibraryState *state = StateFromUserData(userData);
  if (state != nullptr && matrix != nullptr) CopyMatrix(matrix, state->yuvMatrix);
}

}  // namespace sorvex1
