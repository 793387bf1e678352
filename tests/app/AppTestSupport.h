#pragma once

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "ui/Prompts.h"

namespace tavelo::test {

// Every message box the code under test shows, answered with OK (after `onMessage`, which
// runs inside the box as its nested event loop would).
struct PromptRecorder {
    QList<MessagePrompt> messages;
    std::function<void()> onMessage;

    PromptRecorder() {
        SetMessageHandler([this](const MessagePrompt& prompt) {
            messages.append(prompt);
            if (onMessage) {
                onMessage();
            }
            return static_cast<int>(IDOK);
        });
    }
    ~PromptRecorder() { SetMessageHandler({}); }
    PromptRecorder(const PromptRecorder&) = delete;
    PromptRecorder& operator=(const PromptRecorder&) = delete;

    QStringList Texts() const {
        QStringList texts;
        for (const MessagePrompt& m : messages) {
            texts.append(m.text);
        }
        return texts;
    }
};

}  // namespace tavelo::test

// A test main that keeps the settings store and the locks out of the user's own folders:
// they live in a private temporary folder made before the application starts.
#define TAVELO_APP_TEST_MAIN(TestClass)                               \
    int main(int argc, char** argv) {                                 \
        QTemporaryDir home;                                           \
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8()); \
        qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());             \
        qputenv("XDG_CACHE_HOME", home.filePath("cache").toUtf8());   \
        qputenv("HOME", home.path().toUtf8());                        \
        qputenv("TMPDIR", home.path().toUtf8());                      \
        QApplication app(argc, argv);                                 \
        TestClass test;                                               \
        return QTest::qExec(&test, argc, argv);                       \
    }
