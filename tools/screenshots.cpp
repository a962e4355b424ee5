// Pictures of the editor's four tabs with a map (the sample map unless MAP is given) and the sample
// FGD loaded, for checking the layout by eye: screenshots OUT_DIR [MAP] writes tab0.png ...
// tab3.png. Run it under xvfb-run.
#include <QApplication>
#include <QScreen>
#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "app/picker_window.h"
#include "web/help_window.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fputs("usage: screenshots OUT_DIR [MAP]\n", stderr);
    return 2;
  }
  QApplication app(argc, argv);
  const std::string out = argv[1];
  tarnwick::ui::message_box = [](const std::string& text, const std::string& caption,
                                 const std::vector<std::string>&) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return 0;
  };
  tarnwick::ui::file_dialog = [](const tarnwick::ui::FileDialog&) {
    return std::optional<std::string>(TARNWICK_DATA_DIR "/sample.fgd");
  };
  const std::string map = argc == 3 ? argv[2] : TARNWICK_DATA_DIR "/sample.bsp";
  tarnwick::TForm1 form(QCoreApplication::applicationDirPath().toLocal8Bit().toStdString(),
                        '"' + map + '"');
  tarnwick::TForm3 help;
  tarnwick::TForm4 picker(form);
  form.help = &help;
  form.picker = &picker;
  form.show();
  QApplication::processEvents();
  form.LoadFDGButtonClick();
  form.OffsetEdit->SetText("700");
  form.camera_pitch = 320;  // a look from above and behind
  form.UpdatePositionEdits();

  const auto shoot = [&](int tab) {
    form.PageControl1->setCurrentIndex(tab);
    QApplication::processEvents();
    form.RenderView();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    // From the screen, as the user sees it: the view's frame composed with the controls.
    form.screen()
        ->grabWindow(form.winId())
        .save(QString::fromStdString(out + "/tab" + std::to_string(tab) + ".png"));
  };
  form.SpawnPointBox->SetItemIndex(1);  // the second type: the big map's four-digit places
  form.SpawnPointBoxChange();
  form.SpawnPointListBox->SetItemIndex(2);
  form.SpawnPointListBoxClick();
  shoot(0);
  form.PageControl1->setCurrentIndex(1);
  form.EntityTypeComboBox->SetItemIndex(form.EntityTypeComboBox->findText("light"));
  form.EntityTypeComboBoxChange();
  shoot(1);
  form.PageControl1->setCurrentIndex(2);
  form.SearchEdit->SetText("info_player");
  form.SearchEntitys();
  shoot(2);
  form.PageControl1->setCurrentIndex(3);
  form.ModelComboBox->SetItemIndex(1);
  form.MoveToModelClick();
  shoot(3);
  form.close();
  return 0;
}
