#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include "platform/dialogs.h"

class QWidget;

// The modal dialogs of the main window, built with Qt. Each is created when it is shown and
// is gone when it returns.
namespace zerlin::qt {

// The title the application's own dialogs carry.
QString applicationTitle();

class QtMessageBox : public MessageBox {
  public:
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
    void show(const std::string& text) override;

  private:
    QPointer<QWidget> parent_;
};

class QtTextInput : public TextInput {
  public:
    explicit QtTextInput(QWidget* parent = nullptr) : parent_(parent) {}
    std::string ask(const std::string& prompt) override;
    std::string askOffering(const std::string& prompt, const std::string& offered) override;

  private:
    QPointer<QWidget> parent_;
};

// Qt name filters for a filter text of description and pattern pairs. On systems whose file
// names have letter case, the patterns match names whatever their case.
QStringList nameFiltersFor(const std::string& filter);

class QtFileDialog : public FileDialog {
  public:
    explicit QtFileDialog(QWidget* parent = nullptr) : parent_(parent) {}
    bool show(FileDialogState& state, FileDialogMode mode) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace zerlin::qt
