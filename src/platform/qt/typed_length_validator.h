#pragma once

#include <QValidator>

class QLineEdit;

namespace zerlin::qt {

// Limits what the user types or pastes into a line edit to a number of characters, cutting
// the excess of an insertion rather than refusing it whole. A longer text that the program
// put there stays whole and can still be edited down: the limit is never below the length
// the box last held.
class TypedLengthValidator : public QValidator {
    Q_OBJECT

  public:
    TypedLengthValidator(QLineEdit& edit, int limit);
    State validate(QString& input, int& pos) const override;

  private:
    int limit_;
    int heldLength_ = 0;
};

}  // namespace zerlin::qt
