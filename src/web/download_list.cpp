#include "web/download_list.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <optional>
#include <vector>

#include "base/read_file.h"
#include "ui/ui.h"

namespace tarnwick {

std::string help_base_url;
std::string bundled_help_page;

QNetworkReply* GetWithDeadline(QNetworkAccessManager& network, const QUrl& url) {
  QNetworkReply* reply = network.get(QNetworkRequest(url));
  QTimer::singleShot(10000, reply, &QNetworkReply::abort);
  return reply;
}

namespace {

// A transport error, running out of time or an error status fails.
std::optional<std::string> Get(const std::string& url) {
  QNetworkAccessManager manager;
  QNetworkReply* reply = GetWithDeadline(manager, QUrl(QString::fromLatin1(url)));
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  if (!reply->isFinished()) loop.exec();
  std::optional<std::string> body;
  if (reply->error() == QNetworkReply::NoError) body = reply->readAll().toStdString();
  delete reply;
  return body;
}

// A file that cannot be read whole (a folder of that name, say) counts as none.
std::optional<std::string> ReadText(const std::string& path) {
  const FileBytes file = ReadWholeFile(path);
  if (file.outcome != FileBytes::kRead) return std::nullopt;
  return std::string(AsText(file.bytes));
}

// Whole lines only: text after the last line feed is no line. A CR before the LF is dropped.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out << text;
}

std::string FramesetPage(const std::string& base_url) {
  return "<html>\n<head>\n<title>\n</title>\n"
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\n"
         "</head>\n"
         "<frameset rows=\"100%,*\" cols=\"100%\" border=\"0\" framespacing=\"0\">\n"
         "<frame name=\"mask\" src=\"" +
         base_url +
         "/Mossgate.htm\" frameborder=\"NO\"scrolling=\"AUTO\">\n"
         "</frameset>\n<noframes>\n<body bgcolor=\"#FFFFFF\">\n</body>\n</noframes>\n</html>";
}

}  // namespace

void CheckDownloadList(const std::string& program_folder) {
  const std::string folder = program_folder + "a";  // the parent: cut "folder/namea" at its slash
  const std::string base_folder = folder.substr(0, std::min(folder.rfind('/'), folder.size()));
  const std::string new_path = base_folder + "/DownLoadList.txt";
  const std::string old_path = base_folder + "/DownLoadList_old.txt";

  std::vector<std::string> old_lines;
  if (const auto old_text = ReadText(old_path)) old_lines = Lines(*old_text);
  if (old_lines.empty() || old_lines[0].empty()) {
    // No site to ask: the help is the page beside the program, and there is nothing to announce.
    bundled_help_page = program_folder + "/help.html";
    return;
  }
  const std::string& old_base = old_lines[0];

  const auto body = Get(old_base + "/DownLoadList.txt");
  if (!body) {
    ui::ShowMessage(
        "Could not get DownLoadList.txt\nYou will not be informed of new downloads &\nmight not "
        "be able to view the online help",
        "Warning");
    return;
  }
  WriteText(new_path, *body);
  std::string new_base;
  if (const auto new_text = ReadText(new_path)) {
    const std::vector<std::string> new_lines = Lines(*new_text);
    if (new_lines.empty()) {
      ui::ShowMessage("download_list.txt was empty\nplease delete it and restart the application",
                      "Error");
      return;
    }
    new_base = new_lines[0];
    WriteText(old_path, *new_text);
    std::string notice;
    for (size_t i = 1; i < new_lines.size(); ++i) {
      if (std::find(old_lines.begin() + std::min<size_t>(1, old_lines.size()), old_lines.end(),
                    new_lines[i]) == old_lines.end()) {
        notice += new_lines[i] + "\n";
      }
    }
    if (!notice.empty()) ui::ShowMessage(notice, "New Downloads At The Mossgate Web Site");
  }
  help_base_url = new_base.empty() ? old_base : new_base;
  WriteText(base_folder + "/Mossgate.html", FramesetPage(help_base_url));
}

}  // namespace tarnwick
