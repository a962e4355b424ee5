// The editor: start-up order is the download-list check, then the main, help and picker windows;
// the main window's first show reads the settings and the configuration and opens the map named on
// the command line.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/main_window.h"
#include "app/picker_window.h"
#include "web/download_list.h"
#include "web/help_window.h"

int main(int argc, char** argv) {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
      !std::getenv("QT_QPA_PLATFORM")) {
    std::fputs(
        "tarnwick: no display to open the window on.\n"
        "Run it under a virtual display: xvfb-run -a tarnwick [MAP]\n",
        stderr);
    return 1;
  }
  QApplication app(argc, argv);

  const std::string program_dir =
      QCoreApplication::applicationDirPath().toLocal8Bit().toStdString();
  tarnwick::CheckDownloadList(program_dir);  // before any window exists

  std::string command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line += ' ';
    command_line += argv[i];
  }
  tarnwick::TForm1 form(program_dir, command_line);
  tarnwick::TForm3 help;
  tarnwick::TForm4 picker(form);
  form.help = &help;
  form.picker = &picker;
  // Closing the main window ends the program, whatever else is open.
  help.setAttribute(Qt::WA_QuitOnClose, false);
  picker.setAttribute(Qt::WA_QuitOnClose, false);
  form.show();
  return QApplication::exec();
}
