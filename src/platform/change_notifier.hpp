#pragma once

#include <memory>

namespace kelmar::platform {

// One channel for the change notifications of every folder and file a run watches. On
// Linux, ending a channel that still holds watches waits for the system to retire them
// (up to some fifteen milliseconds each time); a watch removed on its own retires in the
// background. So each watch is removed as it ends, and the watches of a run share one
// channel, which ends with no watch left. Where a watch needs no shared channel, there
// is none (nullptr), and a watch made without one opens its own.
class ChangeNotifier;

std::shared_ptr<ChangeNotifier> openChangeNotifier();

}  // namespace kelmar::platform
