#include "ball_walk.h"

namespace splash {

bool CountTick(int32_t* times) {
  ++*times;
  return *times > kMovingTicks;
}

void StepBall(int32_t* ball_x, int32_t* delta_x, int32_t delta_value, int32_t ball_width,
              int32_t client_right) {
  *ball_x += *delta_x;
  const bool past_left_limit = *ball_x <= kFirstBallX;
  const bool past_right_limit = *ball_x + ball_width >= client_right - kRightMargin;
  if (past_left_limit || past_right_limit) {
    *ball_x = kFirstBallX;
    *delta_x = delta_value;
  }
}

}  // namespace splash
