#pragma once
// A main window over a temporary configuration file with the settings
// window opened on it, driven by the scripted platform.

#include "config/config_file.h"
#include "profile/profile_store.h"
#include "main_window/form1.h"
#include "settings_window/form2.h"
#include "support/fakes.h"
#include "support/sample_config.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStringDecoder>
#include <QTimer>

#include <memory>

namespace kvapomer::test {

// Lines of a configuration file for line 150 (and whatever `extra` adds).
inline QStringList settingsConfig(const QStringList& times = {"06:15", "07:40"},
                                  const QStringList& extra = {}) {
    return lineConfig(times, QStringLiteral("0"), extra);
}

class SettingsTest : public ::testing::Test {
protected:
    void TearDown() override {
        closeSettings();
        main.reset();
    }

    void writeConfig(const QStringList& lines) { folder.write(kIni, fileBytes(lines)); }
    QByteArray configBytes() const { return folder.read(kIni); }
    QString configText() const {
        QStringDecoder decoder("windows-1250");
        return decoder.decode(configBytes());
    }
    QString path() const { return folder.file(kIni); }
    QString read(const QString& section, const QString& key) const {
        return ReadIniValue(path(), section, key, QString());
    }

    // Starts the main window on the file; true when it loaded.
    bool startMain() {
        fake.exeFolder.folder = folder.path();
        main = std::make_unique<Form1>(fake.platform);
        return main->start();
    }
    // Starts the main window and opens the settings window on it.
    void open(const QStringList& lines = settingsConfig()) {
        writeConfig(lines);
        ASSERT_TRUE(startMain());
        openSettings();
    }
    void openSettings() { form = new Form2(*main, fake.platform); }
    void closeSettings() {
        delete form.data();
        processDeletes();
    }
    static void processDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    template <typename T = QWidget> T* control(const char* name) const {
        T* w = form ? form->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* text(const char* name) const { return control<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    QListWidget* list() const { return control<QListWidget>("List1"); }
    QCheckBox* check(const char* name) const { return control<QCheckBox>(name); }

    QStringList listEntries() const {
        QStringList entries;
        for (int i = 0; i < list()->count(); ++i) {
            entries << list()->item(i)->text();
        }
        return entries;
    }
    int selectedRow() const {
        const auto items = list()->selectedItems();
        return items.isEmpty() ? -1 : list()->row(items.first());
    }
    // Sets a box as if the user had typed its new text.
    void type(const char* name, const QString& value) const {
        QLineEdit* box = text(name);
        box->selectAll();
        box->insert(value);
    }
    void addTime(const QString& hours, const QString& minutes) const {
        text("Text3")->setText(hours);
        text("Text4")->setText(minutes);
        button("Command3")->click();
    }
    // "Uložit" answered with `answer`.
    void save(MessageAnswer answer = MessageAnswer::Yes) {
        fake.messageBox.answers.push_back(answer);
        button("Command1")->click();
    }
    // The window is gone once its deferred deletion has run.
    bool settingsClosed() {
        processDeletes();
        return form.isNull();
    }
    QString mainHeading() const {
        return main->findChild<QLabel*>(QStringLiteral("Label1"))->text();
    }

    static inline const QString kIni = QStringLiteral("kvapomern.ini");
    TempFolder folder;
    FakePlatform fake;
    std::unique_ptr<Form1> main;
    QPointer<Form2> form;
};

} // namespace kvapomer::test
