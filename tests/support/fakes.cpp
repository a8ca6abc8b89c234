#include "support/fakes.h"

#include <QApplication>
#include <QWidget>

namespace kvapomer::test {

int FakeMessageBox::show(const QString& text, const QString& title, int style) {
    shown.push_back({text, title, style});
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return style == mb::kQuestionYesNo ? mb::kYes : mb::kOk;
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
