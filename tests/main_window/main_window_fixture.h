#pragma once
// A main window over a temporary folder with a configuration file, driven by
// the scripted platform.

#include "main_window/form1.h"
#include "support/fakes.h"
#include "support/sample_config.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace kvapomer::test {

inline QStringList sampleConfig(const QStringList& times = {"06:15", "06:45", "07:10", "07:40",
                                                            "08:05", "08:30"},
                                const QString& stav = QStringLiteral("0")) {
    return lineConfig(times, stav);
}

class MainWindowTest : public ::testing::Test {
protected:
    void writeConfig(const QStringList& lines) {
        folder.write(QStringLiteral("kvapomern.ini"), fileBytes(lines));
    }
    QByteArray configBytes() const { return folder.read(QStringLiteral("kvapomern.ini")); }

    // Creates the window and runs its start-up; returns whether it loaded.
    bool startWindow() {
        fake.exeFolder.folder = folder.path();
        form = std::make_unique<Form1>(fake.platform);
        return form->start();
    }
    void tickAt(int h, int m, int s) {
        fake.clock.set(h, m, s);
        form->tick();
    }

    template <typename T = QWidget> T* control(const char* name) const {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLabel* label(const char* name) const { return control<QLabel>(name); }
    QTimer* timer(const char* name) const { return control<QTimer>(name); }
    static QColor colourOf(const QWidget* w) { return w->palette().color(QPalette::WindowText); }

    TempFolder folder;
    FakePlatform fake;
    std::unique_ptr<Form1> form;
};

} // namespace kvapomer::test
