#include "settings_window/typing_limit.h"

#include <QLineEdit>
#include <QValidator>

#include <algorithm>

namespace kvapomer {

namespace {

class TypingLimit final : public QValidator {
public:
    TypingLimit(QLineEdit* edit, int limit)
        : QValidator(edit), limit_(limit), previous_(edit->text()) {
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { previous_ = text; });
    }

    int limit() const { return limit_; }

    // Whatever an edit inserts is cut so that the text keeps within the
    // limit, as a typed character or a pasted text is cut by a length limit.
    State validate(QString& input, int& pos) const override {
        if (input.size() <= limit_ || input.size() <= previous_.size()) {
            return Acceptable;
        }
        const qsizetype shorter = std::min(input.size(), previous_.size());
        qsizetype prefix = 0;
        while (prefix < shorter && input[prefix] == previous_[prefix]) {
            ++prefix;
        }
        qsizetype suffix = 0;
        while (suffix < shorter - prefix &&
               input[input.size() - 1 - suffix] == previous_[previous_.size() - 1 - suffix]) {
            ++suffix;
        }
        const qsizetype inserted = input.size() - prefix - suffix;
        const qsizetype room = limit_ - (input.size() - inserted);
        if (room <= 0) {
            return Invalid;
        }
        input = input.left(prefix) + input.mid(prefix, room) + input.right(suffix);
        pos = static_cast<int>(prefix + room);
        return Acceptable;
    }

private:
    int limit_;
    QString previous_;
};

} // namespace

void limitTyping(QLineEdit* edit, int limit) {
    edit->setValidator(new TypingLimit(edit, limit));
}

int typingLimit(const QLineEdit* edit) {
    const auto* v = dynamic_cast<const TypingLimit*>(edit->validator());
    return v ? v->limit() : 0;
}

} // namespace kvapomer
