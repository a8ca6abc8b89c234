#include "support/fakes.h"

#include <QApplication>
#include <QWidget>

namespace kvapomer::test {

MessageAnswer FakeMessageBox::show(const QString& text, const QString& title, MessageStyle style) {
    shown.push_back({text, title, style});
    if (!answers.empty()) {
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return style == MessageStyle::QuestionYesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

void FakeProgramEnd::endNow(int s) {
    ++calls;
    if (ended) {
        return;
    }
    ended = true;
    status = s;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        w->hide();
    }
}

} // namespace kvapomer::test
