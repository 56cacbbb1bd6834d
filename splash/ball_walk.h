// The ball's walk over the dots of the banner: where the ball stands after
// each timer tick, and which tick ends the walk. Plain arithmetic in client
// pixels, free of any window system.
#ifndef SPLASH_BALL_WALK_H_
#define SPLASH_BALL_WALK_H_

#include <cstdint>

namespace splash {

// The ball's left edge on the first dot; it never stands further left.
inline constexpr int32_t kFirstBallX = 224;

// The ball's top edge, the same on every dot.
inline constexpr int32_t kBallTop = 19;

// How far left of the client area's right edge the right limit lies.
inline constexpr int32_t kRightMargin = 130;

// The number of ticks that move the ball; the tick after them ends the walk.
inline constexpr int32_t kMovingTicks = 20;

// Counts one tick in `*times`. Returns true when that tick ends the walk:
// the tick after the last moving one, and every tick after it.
bool CountTick(int32_t* times);

// Moves the ball one step: adds `*delta_x` to `*ball_x`. A ball that reaches
// the first dot's place or goes left of it, or whose right edge (its left
// edge plus `ball_width`) reaches the right limit, `client_right` less
// kRightMargin, is put back on the first dot and set moving right by
// `delta_value`.
void StepBall(int32_t* ball_x, int32_t* delta_x, int32_t delta_value, int32_t ball_width,
              int32_t client_right);

}  // namespace splash

#endif  // SPLASH_BALL_WALK_H_
