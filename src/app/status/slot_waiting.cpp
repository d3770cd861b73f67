#include "app/status/slot_waiting.h"

#include <QListWidget>
#include <QMenu>

#include "mainwindow/command_line.h"
#include "platform/qt/click_label.h"
#include "platform/qt/strings.h"

namespace zerlin::app {

SlotWaiting::SlotWaiting(Form1Window& window, Form1& form, Notifier& notifier, Clipboard& clipboard,
                         const ModalState& modal, status::StatusService& service, CommandRunner run)
    : window_(window),
      form_(form),
      clipboard_(clipboard),
      run_(run ? std::move(run) : [](const std::function<void()>& command) { command(); }),
      client_(service),
      watch_(form.List1, watchTimer_, notifier, modal,
             waiting::SlotWatch::Hooks{
                 // The wait wants only the server it waits on.
                 [this](const status::ServerKey& server) { client_.refresh({server}); },
                 [this](const std::string& row) {
                     run_([this, row] {
                         form_.pickRow(row);
                         form_.join();
                     });
                 },
                 [this] { showMarks(); }}) {
    client_.setChangeHandler([this](const status::ServerKey& server) {
        watch_.serverChanged(server, client_.state(server));
    });
    QObject::connect(&window, &Form1Window::rowMenuRequested, &window,
                     [this](int row, const QPoint& at) { showMenu(row, at); });
    QAbstractItemModel* model = window.List1->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, &window,
                     [this](const QModelIndex&, int first, int last) {
                         watch_.rowsInserted(first, last - first + 1);
                     });
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, &window,
                     [this](const QModelIndex&, int first, int last) {
                         watch_.rowsRemoved(first, last - first + 1);
                     });
    QObject::connect(model, &QAbstractItemModel::modelReset, &window,
                     [this] { watch_.listReplaced(); });
    // A join by the user ends the wait, whatever server it joins.
    QObject::connect(window.Image2, &qt::ClickLabel::clicked, &window, [this] { watch_.stop(); });
}

void SlotWaiting::showMenu(int row, const QPoint& globalPos) {
    const std::string text = form_.List1.row(row);
    auto* menu = new QMenu(&window_);
    menu->setObjectName("RowMenu");
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Each choice applies to the row the menu was opened on, if it is still there.
    const auto onRow = [this, row, text](auto action) {
        return [this, row, text, action] {
            if (row < form_.List1.count() && form_.List1.row(row) == text) {
                action();
            }
        };
    };
    QObject::connect(menu->addAction("Join when a slot frees"), &QAction::triggered, menu,
                     onRow([this, row] { watch_.waitForSlot(row); }));
    if (watch_.row() == row) {
        QObject::connect(menu->addAction("Stop waiting"), &QAction::triggered, menu,
                         onRow([this] { watch_.stop(); }));
    }
    const status::ServerKey server = status::serverOfRow(text);
    if (!client_.state(server).answer) {
        QObject::connect(menu->addAction("Tell me when it is up"), &QAction::triggered, menu,
                         onRow([this, row] { watch_.tellWhenUp(row); }));
    }
    if (const std::optional<std::string> link = command_line::linkOfRow(text)) {
        QObject::connect(menu->addAction("Copy link"), &QAction::triggered, menu,
                         onRow([this, link] { clipboard_.setText(*link); }));
    }
    menu->popup(globalPos);
}

void SlotWaiting::showMarks() {
    QListWidget& list = *window_.List1;
    for (int i = 0; i < list.count(); ++i) {
        const QString waiting = qt::toQString(watch_.describeRow(i));
        QListWidgetItem* item = list.item(i);
        if (item->data(Form1Window::WaitingRole).toString() != waiting) {
            item->setData(Form1Window::WaitingRole,
                          waiting.isEmpty() ? QVariant() : QVariant(waiting));
            item->setData(Qt::AccessibleDescriptionRole,
                          waiting.isEmpty() ? QVariant() : QVariant(waiting));
        }
    }
}

}  // namespace zerlin::app
