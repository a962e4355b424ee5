#include "ui/ui.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <charconv>

namespace tarnwick::ui {

Container::Container(QWidget* parent, QSize design) : QWidget(parent), design_(design) {
  if (!parent) {
    // The windows' controls are placed for a small dialog font, 11 pixels high.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
  }
  resize(design);
}

QRect Container::Arrange(const Placed& p) const {
  const int grow_x = width() - design_.width();
  const int grow_y = height() - design_.height();
  QRect r = p.rect;
  // An edge anchored on both sides stretches; one anchored only right or bottom moves.
  if (p.anchors & kRight) {
    if (p.anchors & kLeft) {
      r.setWidth(r.width() + grow_x);
    } else {
      r.moveLeft(r.left() + grow_x);
    }
  }
  if (p.anchors & kBottom) {
    if (p.anchors & kTop) {
      r.setHeight(r.height() + grow_y);
    } else {
      r.moveTop(r.top() + grow_y);
    }
  }
  return r;
}

void Container::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (const Placed& p : placed_) p.widget->setGeometry(Arrange(p));
  if (on_resize) on_resize();
}

Edit::Edit(QWidget* parent) : QLineEdit(parent) {
  // Qt emits textChanged for typing and for setText with a different text, never for the same.
  connect(this, &QLineEdit::textChanged, [this] {
    if (on_change) on_change();
  });
}

void Edit::keyPressEvent(QKeyEvent* event) {
  if (HistoryKeyOf(*event) != HistoryKey::kNone) return event->ignore();
  QLineEdit::keyPressEvent(event);
  event->accept();
  if (!on_key_down) return;
  const int key = event->key();
  on_key_down(key == Qt::Key_Return || key == Qt::Key_Enter ? 13 : key);
}

void Edit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (on_exit) on_exit();
}

ComboBox::ComboBox(QWidget* parent, bool editable) : QComboBox(parent) {
  setEditable(editable);
  setInsertPolicy(QComboBox::NoInsert);
  connect(this, &QComboBox::activated, [this] {
    typed_ = false;
    if (on_change) on_change();
  });
  if (editable) {
    connect(lineEdit(), &QLineEdit::textEdited, [this] {
      typed_ = true;
      if (on_change) on_change();
    });
  }
}

void ComboBox::keyPressEvent(QKeyEvent* event) {
  if (HistoryKeyOf(*event) != HistoryKey::kNone) return event->ignore();
  QComboBox::keyPressEvent(event);
  event->accept();
}

void ComboBox::Clear() {
  const QSignalBlocker block(this);
  clear();
  typed_ = false;
}

void ComboBox::Add(const std::string& item) {
  const QSignalBlocker block(this);
  const bool empty = count() == 0;
  addItem(ToQ(item));
  if (empty) setCurrentIndex(-1);  // appending selects nothing
}

void ComboBox::SetItemIndex(int index) {
  const QSignalBlocker block(this);
  typed_ = false;
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::currentRowChanged, [this] {
    if (on_click) on_click();
  });
}

void ListBox::Clear() {
  const QSignalBlocker block(this);
  clear();
}

void ListBox::Add(const std::string& item) {
  const QSignalBlocker block(this);
  addItem(ToQ(item));
}

void ListBox::SetItemIndex(int index) {
  const QSignalBlocker block(this);
  setCurrentRow(index >= 0 && index < count() ? index : -1);
}

void ListBox::keyPressEvent(QKeyEvent* event) {
  if (HistoryKeyOf(*event) != HistoryKey::kNone) return event->ignore();
  QListWidget::keyPressEvent(event);
  event->accept();
}

void ListBox::mousePressEvent(QMouseEvent* event) {
  const int row = currentRow();
  QListWidget::mousePressEvent(event);
  // A click on another item runs the click handler through the row change; a click on the item
  // already selected changes no row, and is a click all the same.
  if (on_click && row >= 0 && currentRow() == row &&
      itemAt(event->position().toPoint()) == item(row)) {
    on_click();
  }
  if (on_mouse_down) on_mouse_down(false);
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QListWidget::mouseDoubleClickEvent(event);
  if (on_mouse_down) on_mouse_down(true);
}

Memo::Memo(QWidget* parent, bool read_only) : QPlainTextEdit(parent) {
  setReadOnly(read_only);
  setLineWrapMode(QPlainTextEdit::NoWrap);  // both scroll bars, lines as they are
}

std::vector<std::string> Memo::Lines() const {
  std::vector<std::string> lines;
  for (const QString& line : toPlainText().split(QChar('\n'))) {
    lines.push_back(line.toLatin1().toStdString());
  }
  if (document()->isEmpty()) lines.clear();
  return lines;
}

void Memo::keyPressEvent(QKeyEvent* event) {
  if (HistoryKeyOf(*event) != HistoryKey::kNone) return event->ignore();
  QPlainTextEdit::keyPressEvent(event);
  event->accept();
}

void Memo::SetFontSize(int size) {
  QFont f = font();
  f.setPointSize(size);
  setFont(f);
}

namespace {

// A button or check box whose arrow keys go on to its window rather than move the focus.
template <class Base>
class ArrowsToWindow : public Base {
 public:
  ArrowsToWindow(const char* caption, QWidget* parent) : Base(caption, parent) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down:
        return event->ignore();
    }
    Base::keyPressEvent(event);
  }
};

}  // namespace

QPushButton* Button(QWidget* parent, const char* caption, Handler on_click) {
  auto* button = new ArrowsToWindow<QPushButton>(caption, parent);
  if (on_click) QObject::connect(button, &QPushButton::clicked, std::move(on_click));
  return button;
}

QCheckBox* CheckBox(QWidget* parent, const char* caption, bool checked, Handler on_click) {
  auto* box = new ArrowsToWindow<QCheckBox>(caption, parent);
  box->setChecked(checked);
  QObject::connect(box, &QCheckBox::toggled, std::move(on_click));
  return box;
}

QLabel* Label(QWidget* parent, const char* caption) {
  return new QLabel(caption, parent);
}

QScrollBar* ScrollBar(QWidget* parent, int min, int max, int position, Handler on_change) {
  auto* bar = new QScrollBar(Qt::Horizontal, parent);
  bar->setRange(min, max);
  bar->setValue(position);
  QObject::connect(bar, &QScrollBar::valueChanged, std::move(on_change));
  return bar;
}

QWidget* Panel(QWidget* parent) {
  auto* panel = new QWidget(parent);
  panel->setAutoFillBackground(true);
  return panel;
}

namespace {

template <class T>
bool Convert(const std::string& text, T& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;  // a leading plus is a sign like the minus
  T parsed{};
  const auto [ptr, ec] = std::from_chars(begin, end, parsed);
  if (begin == end || ec != std::errc() || ptr != end) return false;
  value = parsed;
  return true;
}

}  // namespace

bool StrToInt(const std::string& text, int32_t& value) {
  return Convert(text, value);
}

bool StrToFloat(const std::string& text, float& value) {
  // Digits, a sign and a decimal point only: no "inf", "nan" or exponents from a typo.
  if (text.find_first_not_of("+-.0123456789") != std::string::npos) return false;
  return Convert(text, value);
}

HistoryKey HistoryKeyOf(const QKeyEvent& event) {
  const Qt::KeyboardModifiers mods = event.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier |
                                                          Qt::AltModifier | Qt::MetaModifier);
  const int key = event.key();
  if (mods == Qt::ControlModifier && key == Qt::Key_Z) return HistoryKey::kUndo;
  if ((mods == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z) ||
      (mods == Qt::ControlModifier && key == Qt::Key_Y)) {
    return HistoryKey::kRedo;
  }
  return HistoryKey::kNone;
}

std::function<int(const std::string&, const std::string&, const std::vector<std::string>&)>
    message_box = [](const std::string& text, const std::string& caption,
                     const std::vector<std::string>& buttons) {
      QMessageBox box(QMessageBox::NoIcon, ToQ(caption), ToQ(text));
      std::vector<QAbstractButton*> added;
      for (const std::string& b : buttons) {
        added.push_back(box.addButton(ToQ(b), QMessageBox::AcceptRole));
      }
      box.setEscapeButton(added.back());
      box.exec();
      const auto chosen = std::find(added.begin(), added.end(), box.clickedButton());
      return static_cast<int>((chosen == added.end() ? added.end() - 1 : chosen) - added.begin());
    };

void ShowMessage(const std::string& text, const std::string& caption) {
  message_box(text, caption, {"OK"});
}

std::function<std::optional<std::string>(const FileDialog&)> file_dialog =
    [](const FileDialog& d) -> std::optional<std::string> {
  // "Desc (*.x)|*.x|Desc2 (*.y)|*.y": Qt wants the descriptions, which already name the patterns.
  QStringList parts = QString::fromLatin1(d.filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) filters << parts[i];
  const QString preset = QString::fromLocal8Bit(d.file_name);
  const QString title = ToQ(d.title);
  const QString path =
      d.save ? QFileDialog::getSaveFileName(nullptr, title, preset, filters.join(";;"), nullptr,
                                            QFileDialog::DontConfirmOverwrite)
             : QFileDialog::getOpenFileName(nullptr, title, preset, filters.join(";;"));
  if (path.isEmpty()) return std::nullopt;
  return path.toLocal8Bit().toStdString();
};

std::optional<std::string> RunFileDialog(const FileDialog& dialog) {
  return file_dialog(dialog);
}

std::function<std::optional<std::vector<std::string>>(const Question&)> question_dialog =
    [](const Question& q) -> std::optional<std::vector<std::string>> {
  QDialog dialog;
  dialog.setWindowTitle(ToQ(q.title));
  auto* form = new QFormLayout(&dialog);
  std::vector<QLineEdit*> edits;
  for (const auto& [label, text] : q.fields) {
    edits.push_back(new QLineEdit(ToQ(text), &dialog));
    form->addRow(ToQ(label), edits.back());
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  std::vector<std::string> texts;
  for (const QLineEdit* edit : edits) texts.push_back(edit->text().toLatin1().toStdString());
  return texts;
};

std::optional<std::vector<std::string>> Ask(const Question& question) {
  return question_dialog(question);
}

}  // namespace tarnwick::ui
