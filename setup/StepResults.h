#pragma once

// What the package steps return to the install worker. A step may also return another value: a
// failure (an exit code, a server's answer) that the worker does not tell apart.
namespace step_result {
inline constexpr int kDone = 0;
inline constexpr int kCancelled = 2;    // the user confirmed a cancel (or the tool itself gave up)
inline constexpr int kNotWatched = -2;  // the program could not be started or watched
}  // namespace step_result
