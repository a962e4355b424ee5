#pragma once

#include <QNetworkAccessManager>
#include <QSet>
#include <QTextBrowser>
#include <QUrl>
#include <array>
#include <cstdint>
#include <functional>

#include "ui/ui.h"

class QNetworkReply;

namespace tarnwick {

// An HTML view that loads pages and their images over HTTP. Navigate reports each completed
// navigation through on_navigate_complete; Refresh2 reloads the page shown and reports nothing.
class HtmlView : public QTextBrowser {
 public:
  explicit HtmlView(QWidget* parent);

  void Navigate(const QUrl& url);
  void Refresh2();

  std::function<void()> on_navigate_complete;

 protected:
  QVariant loadResource(int type, const QUrl& name) override;

 private:
  void Load(bool navigation);

  QNetworkAccessManager network_;
  QUrl url_;
  QNetworkReply* page_ = nullptr;  // the page being loaded, if any
  QSet<QUrl> images_loading_;
};

// The help window's last left, top, width and height, recorded when it is built and on every
// hide, move and resize.
extern std::array<int32_t, 4> help_window_bounds;

// The help window: the site's help page, or without a site the one that ships with the program,
// loaded at once and brought up by the Help button.
class TForm3 : public ui::Container {
 public:
  TForm3();

  void CppWebBrowser1NavigateComplete2() { CppWebBrowser1->Refresh2(); }
  void FormHide() { RecordBounds(); }
  void FormResize() { RecordBounds(); }

  HtmlView* CppWebBrowser1;

 protected:
  void hideEvent(QHideEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void RecordBounds();
};

}  // namespace tarnwick
