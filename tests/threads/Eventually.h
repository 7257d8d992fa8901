#pragma once
// Waits until a condition holds, polling; the bound only guards a test against hanging.
#include <chrono>
#include <thread>

template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 1000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}
