#pragma once

#include <string>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

namespace tarnwick {

// The download site's base URL for this run, settled by CheckDownloadList; empty when the list
// could not be fetched or no site is configured.
extern std::string help_base_url;

// The help page that ships with the program, beside it; set by CheckDownloadList when no download
// site is configured, and then shown by the help window in place of the site's page.
extern std::string bundled_help_page;

// A GET that is aborted 10 seconds after it starts, however slowly the server answers; a reply
// that ran out of time finishes with OperationCanceledError.
QNetworkReply* GetWithDeadline(QNetworkAccessManager& network, const QUrl& url);

// Fetches the download list from the site named by line 0 of DownLoadList_old.txt, announces its
// new entries, keeps the list for the next start and writes the frameset page, in the folder that
// holds `program_folder`. Without a site named there, nothing is fetched and nothing said. Runs
// before any window; every failure ends in a message box and start-up goes on.
void CheckDownloadList(const std::string& program_folder);

}  // namespace tarnwick
