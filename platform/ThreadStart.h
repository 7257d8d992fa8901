#pragma once

namespace platform {

using DetachedThreadEntry = void (*)(void* argument);

// Runs entry(argument) on a new thread of normal priority with the default stack size, started at
// once; nobody keeps its handle or waits for it. False when the thread could not be created.
bool StartDetachedThread(DetachedThreadEntry entry, void* argument);

}  // namespace platform
