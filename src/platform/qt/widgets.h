#pragma once

#include <QString>
#include <string>
#include <utility>

#include "platform/controls.h"
#include "platform/qt/strings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTimer;
class QWidget;

// The Qt controls seen through the core's control interfaces. Each adapter refers to a widget
// that it does not own and that outlives it.
namespace zerlin::qt {

// A caption as it is shown: a doubled ampersand stands for one ampersand.
QString shownCaption(const QString& caption);

class QtLineEditBox : public TextBox {
  public:
    explicit QtLineEditBox(QLineEdit& edit) : edit_(edit) {}
    std::string text() const override;
    // The program's own texts are kept whole, whatever limit the box puts on typing.
    void setText(const std::string& text) override;

  private:
    QLineEdit& edit_;
};

// A text that no widget shows: the main window's current bookmark file.
class MemoryTextBox : public TextBox {
  public:
    explicit MemoryTextBox(std::string text = {}) : text_(std::move(text)) {}
    std::string text() const override { return text_; }
    void setText(const std::string& text) override { text_ = text; }

  private:
    std::string text_;
};

// A label's caption as stored; the label shows it with "&&" as "&".
class QtLabelBox : public TextBox {
  public:
    explicit QtLabelBox(QLabel& label) : label_(label) {}
    std::string text() const override;
    void setText(const std::string& text) override;

    // Gives the label a caption without an adapter at hand (the window's fixed captions).
    static void setCaption(QLabel& label, const QString& caption);
    static QString caption(const QLabel& label);

  private:
    QLabel& label_;
};

class QtListBox : public ListBox {
  public:
    explicit QtListBox(QListWidget& list) : list_(list) {}
    int count() const override;
    std::string row(int index) const override;
    void append(const std::string& text) override;
    void removeAt(int index) override;
    void clear() override;
    std::optional<int> selected() const override;
    void clearSelection() override;

  private:
    QListWidget& list_;
};

class QtCheckBoxControl : public CheckBox {
  public:
    explicit QtCheckBoxControl(QCheckBox& box) : box_(box) {}
    bool checked() const override;
    void setChecked(bool checked) override;
    std::string caption() const override;
    void setCaption(const std::string& caption) override;

  private:
    QCheckBox& box_;
};

class QtPlainTextBox : public TextBox {
  public:
    explicit QtPlainTextBox(QPlainTextEdit& edit) : edit_(edit) {}
    std::string text() const override;
    void setText(const std::string& text) override;

  private:
    QPlainTextEdit& edit_;
};

class QtWindowCaption : public Window {
  public:
    explicit QtWindowCaption(QWidget& window) : window_(window) {}
    void setCaption(const std::string& caption) override;

  private:
    QWidget& window_;
};

}  // namespace zerlin::qt
