#include "web/help_window.h"

#include <QNetworkReply>
#include <QTextDocument>
#include <utility>

#include "web/download_list.h"

namespace tarnwick {

std::array<int32_t, 4> help_window_bounds{};

HtmlView::HtmlView(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);  // links are followed here, as navigations of their own
  connect(this, &QTextBrowser::anchorClicked,
          [this](const QUrl& link) { Navigate(url_.resolved(link)); });
}

void HtmlView::Navigate(const QUrl& url) {
  url_ = url;
  Load(true);
}

void HtmlView::Refresh2() {
  if (!page_) Load(false);  // a page still loading is as fresh as it gets
}

void HtmlView::Load(bool navigation) {
  if (page_) std::exchange(page_, nullptr)->abort();  // replaced: it finishes unheard
  QNetworkReply* reply = GetWithDeadline(network_, url_);
  page_ = reply;
  connect(reply, &QNetworkReply::finished, this, [this, reply, navigation] {
    reply->deleteLater();
    if (reply != page_) return;
    page_ = nullptr;
    if (reply->error() == QNetworkReply::NoError) {
      document()->setMetaInformation(QTextDocument::DocumentUrl, url_.toString());
      setHtml(QString::fromUtf8(reply->readAll()));
    } else {
      const QString why = reply->error() == QNetworkReply::OperationCanceledError
                              ? "it did not arrive within 10 seconds"
                              : reply->errorString();
      setHtml("<p>The page " + url_.toString().toHtmlEscaped() +
              " could not be loaded: " + why.toHtmlEscaped() + "</p>");
    }
    if (navigation && on_navigate_complete) on_navigate_complete();
  });
}

QVariant HtmlView::loadResource(int type, const QUrl& name) {
  const QUrl url = url_.resolved(name);
  if (type != QTextDocument::ImageResource || url.scheme() != "http") {
    return QTextBrowser::loadResource(type, name);
  }
  // Images arrive later: the document takes them in and lays itself out again. Each layout until
  // then asks anew; one request per image is enough.
  if (images_loading_.contains(url)) return {};
  images_loading_.insert(url);
  QNetworkReply* reply = GetWithDeadline(network_, url);
  connect(reply, &QNetworkReply::finished, this, [this, reply, name, url] {
    reply->deleteLater();
    images_loading_.remove(url);
    QImage image;
    if (reply->error() == QNetworkReply::NoError && image.loadFromData(reply->readAll())) {
      document()->addResource(QTextDocument::ImageResource, name, image);
      document()->markContentsDirty(0, document()->characterCount());
    }
  });
  return {};
}

TForm3::TForm3() : ui::Container(nullptr, QSize(600, 400)) {
  setWindowTitle("Help Window");
  setMinimumSize(100, 30);
  move(0, 0);
  CppWebBrowser1 = Place(new HtmlView(this), QRect(0, 0, 600, 400),
                         ui::kLeft | ui::kTop | ui::kRight | ui::kBottom);
  CppWebBrowser1->on_navigate_complete = [this] { CppWebBrowser1NavigateComplete2(); };
  on_resize = [this] { FormResize(); };
  CppWebBrowser1->Navigate(
      bundled_help_page.empty()
          ? QUrl(QString::fromLatin1(help_base_url + "/HL_Tarnwick/Help/HelpFile.html"))
          : QUrl::fromLocalFile(QString::fromLocal8Bit(bundled_help_page)));
  CppWebBrowser1->Refresh2();
  RecordBounds();  // its first place is what the settings file gets until it moves
}

void TForm3::hideEvent(QHideEvent* event) {
  ui::Container::hideEvent(event);
  FormHide();
}

void TForm3::moveEvent(QMoveEvent* event) {
  ui::Container::moveEvent(event);
  RecordBounds();
}

void TForm3::RecordBounds() {
  help_window_bounds = {x(), y(), width(), height()};
}

}  // namespace tarnwick
