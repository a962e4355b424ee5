#pragma once

#include <string>

namespace tarnwick {

// The download site's base URL for this run, settled by CheckDownloadList; empty when the list
// could not be fetched.
extern std::string help_base_url;

// The site asked when no earlier list names one. The name is reserved and never resolves, so no
// unknown server is contacted until line 0 of DownLoadList_old.txt names the real site.
inline constexpr char kDefaultBaseUrl[] = "http://www.mossgate.example";

// Fetches the download list, announces its new entries, keeps the list for the next start and
// writes the frameset page, in the folder that holds `program_folder`. Runs before any window;
// every failure ends in a message box and start-up goes on.
void CheckDownloadList(const std::string& program_folder);

}  // namespace tarnwick
