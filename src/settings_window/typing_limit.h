#pragma once
// A length limit on what the user types or pastes into a text box. Unlike
// QLineEdit::setMaxLength it leaves text set by the program whole, so a
// stored value longer than the limit is shown (and saved back) unchanged.

class QLineEdit;

namespace kvapomer {

void limitTyping(QLineEdit* edit, int limit);

// The limit set on `edit`, or 0 when it has none.
int typingLimit(const QLineEdit* edit);

} // namespace kvapomer
