#pragma once
// Waits until a condition holds, polling; the bound only guards a test against hanging.
#include <chrono>
#include <thread>

template <typename Condition>
bool EventuallyWithin(std::chrono::milliseconds bound, Condition condition) {
    const auto step = std::chrono::milliseconds(5);
    for (auto waited = std::chrono::milliseconds(0); waited < bound; waited += step) {
        if (condition()) return true;
        std::this_thread::sleep_for(step);
    }
    return condition();
}

template <typename Condition>
bool Eventually(Condition condition) {
    return EventuallyWithin(std::chrono::seconds(10), condition);
}

// Gives a fault the chance to show: waits a little for something that must NOT happen. Never the
// verdict itself: the caller checks a state recorded at the moment it happened, so a slow machine
// can only miss a fault, never report one that is not there.
template <typename Condition>
void GiveTheFaultAChance(Condition mustNotHappen) {
    EventuallyWithin(std::chrono::milliseconds(200), mustNotHappen);
}
