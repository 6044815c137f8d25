// Windows tells a folder's changes only through a pending read of them (see
// folder_listing_win32.cpp); the settings file is compared by its bytes instead.
#include "platform/file_change_watch.hpp"

namespace kelmar::platform {

std::unique_ptr<FileChangeWatch> watchFileChanges(const std::filesystem::path&,
                                                  const std::shared_ptr<ChangeNotifier>&) {
    return nullptr;
}

}  // namespace kelmar::platform
