#pragma once

// The layer over Qt Widgets. The windows make through it every control whose handlers the contract
// below covers (edits, drop-downs, list boxes, memos, buttons, check boxes, the scroll bar) and
// every message box and dialog; the rest of Qt they use directly (the windows themselves, the
// tab bar, the splitter and its layout, the OpenGL surface). The contract the handlers rely on:
// setting an edit's text to a different text runs its change handler before the setter returns;
// clearing, filling and selecting in lists runs no handler; a drop-down's change and a list box's
// click run on user action only; a check box or the scroll bar changed to a different value runs
// its handler. Keys typed into an edit, drop-down, list box or memo stay there, but for the undo
// and redo keys of the map's edits; buttons and check boxes pass the arrow keys on to their window
// instead of moving the focus, so that the window's keys work while one of them has it.
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick::ui {

using Handler = std::function<void()>;

// Which edges of its container a control keeps at a fixed distance when the container resizes.
enum Anchor : unsigned { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };

// A window or panel whose controls are placed in pixels and kept to their anchors.
class Container : public QWidget {
 public:
  // `design` is the size the placements below are measured against.
  explicit Container(QWidget* parent, QSize design);

  // Puts `child` at `rect` (in the design size) and keeps the anchored edges when resized.
  template <class T>
  T* Place(T* child, QRect rect, unsigned anchors = kLeft | kTop) {
    placed_.push_back({child, rect, anchors});
    child->setGeometry(Arrange(placed_.back()));
    return child;
  }

  Handler on_resize;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Placed {
    QWidget* widget;
    QRect rect;
    unsigned anchors;
  };
  QRect Arrange(const Placed& placed) const;

  QSize design_;
  std::vector<Placed> placed_;
};

class Edit : public QLineEdit {
 public:
  explicit Edit(QWidget* parent);
  void SetText(const std::string& text) { setText(QString::fromLatin1(text)); }
  std::string Text() const { return text().toLatin1().toStdString(); }

  Handler on_change;
  std::function<void(int key)> on_key_down;  // Enter arrives as 13
  Handler on_exit;                           // the edit lost the focus

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

// A drop-down list. With `editable`, typing into its text leaves no item selected and runs the
// change handler, as a user's choice would.
class ComboBox : public QComboBox {
 public:
  ComboBox(QWidget* parent, bool editable = false);
  void Clear();
  void Add(const std::string& item);
  int Count() const { return count(); }
  std::string Item(int index) const { return itemText(index).toLatin1().toStdString(); }
  int ItemIndex() const { return typed_ ? -1 : currentIndex(); }
  void SetItemIndex(int index);  // outside the list: nothing selected

  Handler on_change;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool typed_ = false;
};

class ListBox : public QListWidget {
 public:
  explicit ListBox(QWidget* parent);
  void Clear();
  void Add(const std::string& item);
  int Count() const { return count(); }
  std::string Item(int index) const { return item(index)->text().toLatin1().toStdString(); }
  int ItemIndex() const { return currentRow(); }
  void SetItemIndex(int index);

  Handler on_click;
  std::function<void(bool double_click)> on_mouse_down;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

class Memo : public QPlainTextEdit {
 public:
  Memo(QWidget* parent, bool read_only);
  void Clear() { clear(); }
  void AddLine(const std::string& line) { appendPlainText(QString::fromLatin1(line)); }
  std::vector<std::string> Lines() const;
  // In points, also when the font was given in pixels (as the program gives its own).
  int FontSize() const { return QFontInfo(font()).pointSize(); }
  void SetFontSize(int size);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

QPushButton* Button(QWidget* parent, const char* caption, Handler on_click);
QCheckBox* CheckBox(QWidget* parent, const char* caption, bool checked, Handler on_click);
QLabel* Label(QWidget* parent, const char* caption);
QScrollBar* ScrollBar(QWidget* parent, int min, int max, int position, Handler on_change);
QWidget* Panel(QWidget* parent);

// Strict, locale-independent conversions: the whole text must be the number.
bool StrToInt(const std::string& text, int32_t& value);
bool StrToFloat(const std::string& text, float& value);

// The keys that undo and redo the map's edits: Ctrl+Z undoes; Ctrl+Shift+Z and Ctrl+Y redo. The
// controls pass them on to their window, so that a text field's own undo never runs instead.
enum class HistoryKey { kNone, kUndo, kRedo };
HistoryKey HistoryKeyOf(const QKeyEvent& event);

// Every message box of the program goes through here: modal, no icon, the buttons with the given
// captions; it returns the index of the button chosen (the last one when the box is closed
// otherwise). Tests replace `message_box` to record the messages and answer them instead.
extern std::function<int(const std::string& text, const std::string& caption,
                         const std::vector<std::string>& buttons)>
    message_box;
// A message with an OK button only.
void ShowMessage(const std::string& text, const std::string& caption);

// File dialogs; `filter` is "Desc (*.x)|*.x|..." and `file_name` the preset path. Tests replace
// `file_dialog` to answer for the user. Returns the chosen path, or nothing on cancel.
struct FileDialog {
  bool save = false;
  std::string filter, title, file_name;
};
extern std::function<std::optional<std::string>(const FileDialog& dialog)> file_dialog;
std::optional<std::string> RunFileDialog(const FileDialog& dialog);

// A small dialog that asks for a few values: a line for each field, its label and its preset
// text, and OK and Cancel. Tests replace `question_dialog` to answer for the user. Returns the
// texts of the fields, in their order, or nothing on cancel.
struct Question {
  std::string title;
  std::vector<std::pair<std::string, std::string>> fields;  // label, preset text
};
extern std::function<std::optional<std::vector<std::string>>(const Question& question)>
    question_dialog;
std::optional<std::vector<std::string>> Ask(const Question& question);

// A map text or path as the toolkit shows it, and back: bytes stay bytes.
inline QString ToQ(const std::string& bytes) {
  return QString::fromLatin1(bytes);
}

}  // namespace tarnwick::ui
