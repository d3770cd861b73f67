#include "platform/qt/typed_length_validator.h"

#include <QLineEdit>
#include <algorithm>

namespace zerlin::qt {

TypedLengthValidator::TypedLengthValidator(QLineEdit& edit, int limit)
    : QValidator(&edit), limit_(limit), heldLength_(static_cast<int>(edit.text().size())) {
    // The box's text before the edit under validation is gone by the time validate() runs,
    // so the held length is tracked as each change lands.
    connect(&edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { heldLength_ = static_cast<int>(text.size()); });
}

QValidator::State TypedLengthValidator::validate(QString& input, int& pos) const {
    const int allowed = std::max(limit_, heldLength_);
    const int excess = static_cast<int>(input.size()) - allowed;
    if (excess <= 0) {
        return Acceptable;
    }
    // The characters just inserted end at the cursor: cut the last of them.
    const int cutAt = std::max(0, pos - excess);
    input.remove(cutAt, excess);
    pos = std::min(cutAt, static_cast<int>(input.size()));
    return Acceptable;
}

}  // namespace zerlin::qt
