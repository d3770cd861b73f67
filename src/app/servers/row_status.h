#pragma once

#include <QRect>
#include <Qt>

#include "status/status_text.h"

class QModelIndex;
class QPainter;
class QStyleOptionViewItem;

// A bookmark row's server status, drawn by the list to the right of the row's text. The status
// lives in the row's item data, never in its text.
namespace zerlin::app {

enum RowStatusRole {
    RowStatusKindRole = Qt::UserRole + 40,  // a status::Indicator, as int
    RowStatusPlayersRole,                   // QString, "23/64"
    RowStatusPingRole,                      // QString, "48 ms"
    RowStatusPasswordRole,                  // bool
};

// Draws the row's status right-aligned in the row's rectangle, in the space right of the row's
// text that ends at textRight: the full badge where it fits, less of it where it does not, and
// nothing over the text.
void paintRowStatus(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                    int textRight, bool selected);

}  // namespace zerlin::app
