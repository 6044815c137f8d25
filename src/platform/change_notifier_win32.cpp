// Each watched folder has a pending read of its own on Windows (folder_listing_win32.cpp)
// and ending one waits for nothing: there is no channel to share.
#include "platform/change_notifier.hpp"

namespace kelmar::platform {

std::shared_ptr<ChangeNotifier> openChangeNotifier() {
    return nullptr;
}

}  // namespace kelmar::platform
