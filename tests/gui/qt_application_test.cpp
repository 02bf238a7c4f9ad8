#include "gui/event_loop_deadline.h"
#include "gui/modal_answer.h"
#include "gui/qt_application.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace halix {
namespace {

QAbstractButton* buttonTitled(QMessageBox* box, const QString& title) {
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == title) {
            return button;
        }
    }
    return nullptr;
}

struct AlertCase {
    const char* defaultButton;
    const char* alternateButton;
    const char* otherButton;
    const char* press; // a button title, or "Escape"
    int result;
};

TEST(QtApplication, AlertReturnsWhichButtonWasPressed) {
    const AlertCase kCases[] = {
        {"OK", nullptr, nullptr, "OK", NSAlertDefaultReturn},
        {"OK", "Cancel", nullptr, "OK", NSAlertDefaultReturn},
        {"OK", "Cancel", nullptr, "Cancel", NSAlertAlternateReturn},
        {"OK", "Cancel", "Later", "Later", NSAlertOtherReturn},
        {"OK", "Cancel", nullptr, "Escape", NSAlertAlternateReturn},
        {"OK", nullptr, nullptr, "Escape", NSAlertDefaultReturn},
        {nullptr, nullptr, nullptr, "OK", NSAlertDefaultReturn},
    };
    for (const AlertCase& c : kCases) {
        QtApplication application;
        std::vector<QString> titles;
        test::whenModalOpens([&c, &titles](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) {
                return;
            }
            for (QAbstractButton* button : box->buttons()) {
                titles.push_back(button->text());
            }
            if (QString::fromLatin1(c.press) == QStringLiteral("Escape")) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else if (QAbstractButton* button = buttonTitled(box, QString::fromLatin1(c.press))) {
                button->click();
            }
        });
        EXPECT_EQ(application.NSRunAlertPanel("Halix Utility", "Message", c.defaultButton,
                                              c.alternateButton, c.otherButton),
                  c.result)
            << "press " << c.press;
        const std::size_t expectedButtons =
            1U + (c.alternateButton != nullptr ? 1U : 0U) + (c.otherButton != nullptr ? 1U : 0U);
        EXPECT_EQ(titles.size(), expectedButtons) << "press " << c.press;
    }
}

// The message as it stands, lines broken at its blanks alone: nothing is inserted, and a path
// wider than a line stays whole on its own line, the box widened to it.
TEST(QtApplication, AlertShowsTitleAndMessageAsPlainTextBrokenOnlyAtBlanks) {
    const std::string path = "/srv/" + std::string(40, 'd') + "/halix-utility-" +
                             std::string(40, 'v') + "/Halix Utility.app/Contents/MacOS";
    for (const std::string& message :
         {std::string("<b>100%</b> %s\r\r/path with space/halix-flash.bin - done"),
          "The application is not where it should be. Move it back and start it again: " + path +
              " and then some more words after it to fill another line or two of the alert"}) {
        QtApplication application;
        QString title;
        QString text;
        Qt::TextFormat format = Qt::AutoText;
        bool pathOnOneLine = false;
        test::whenModalOpens([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            title = box->windowTitle();
            text = box->text();
            format = box->textFormat();
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            const QString longest = QString::fromStdString(path).section(QLatin1Char(' '), 0, 0);
            pathOnOneLine = label != nullptr &&
                            label->width() >= label->fontMetrics().horizontalAdvance(longest);
            box->buttons().front()->click();
        });
        application.NSRunAlertPanel("Halix Utility", message, "OK", nullptr, nullptr);
        EXPECT_EQ(title, QStringLiteral("Halix Utility"));
        EXPECT_EQ(format, Qt::PlainText);
        ASSERT_EQ(text.size(), static_cast<qsizetype>(message.size()));
        for (qsizetype i = 0; i < text.size(); ++i) {
            EXPECT_TRUE(text[i] == QChar::fromLatin1(message[static_cast<std::size_t>(i)]) ||
                        (text[i] == u'\n' && message[static_cast<std::size_t>(i)] == ' '))
                << "at " << i << " of " << message;
        }
        if (message.find(path) != std::string::npos) {
            EXPECT_TRUE(text.contains(u'\n')) << "a long message is broken into lines";
            EXPECT_TRUE(pathOnOneLine);
        }
    }
}

// An alert that tells a failure shows the warning icon; a question and the rest keep theirs.
TEST(QtApplication, AnAlertThatTellsAFailureShowsTheWarningIcon) {
    const struct {
        const char* message;
        const char* alternate;
        QMessageBox::Icon icon;
    } kAlerts[] = {
        {"Could not erase. Try again.", nullptr, QMessageBox::Warning},
        {"Erase the flash?", "Cancel", QMessageBox::Question},
        {"Saved to: /tmp/x", nullptr, QMessageBox::Information},
    };
    for (const auto& alert : kAlerts) {
        QtApplication application;
        application.identifyMessagesBy([](const char* key) {
            const std::string name = key;
            return name == "MSG_ERASEFAIL"       ? std::string("Could not erase.")
                   : name == "MSG_ERASE"         ? std::string("Erase the flash?")
                   : name == "MSG_SETTINGSSAVED" ? std::string("Saved to: ")
                                                 : std::string();
        });
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        test::whenModalOpens([&icon](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            icon = box->icon();
            box->buttons().front()->click();
        });
        application.NSRunAlertPanel("Halix Utility", alert.message, "OK", alert.alternate, nullptr);
        EXPECT_EQ(icon, alert.icon) << alert.message;
    }
}

TEST(QtApplication, TerminateBeforeTheLoopIsRememberedAndEndsNothingYet) {
    QtApplication application;
    EXPECT_FALSE(application.isTerminating());
    application.terminate(&application);
    EXPECT_TRUE(application.isTerminating());
    // No alert is shown once the application is ending.
    EXPECT_EQ(application.NSRunAlertPanel("Halix Utility", "late", "OK", nullptr, nullptr),
              NSAlertOtherReturn);
    // The loop was not asked to end: a later loop still runs until it is told to stop.
    bool ranInLoop = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&ranInLoop] {
        ranInLoop = true;
        QCoreApplication::exit(3);
    });
    timer.start(0);
    const test::EventLoopDeadline deadline;
    EXPECT_EQ(QCoreApplication::exec(), 3);
    EXPECT_TRUE(ranInLoop);
}

TEST(QtApplication, TerminateInsideTheLoopEndsIt) {
    QtApplication application;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout,
                     [&application] { application.terminate(&application); });
    timer.start(0);
    const test::EventLoopDeadline deadline;
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(application.isTerminating());
}

TEST(QtApplication, StopAndAbortModalEndTheRunningDialog) {
    QtApplication application;
    const struct {
        void (QtApplication::*end)();
        int result;
    } kEnds[] = {{&QtApplication::stopModal, QDialog::Accepted},
                 {&QtApplication::abortModal, QDialog::Rejected}};
    for (const auto& e : kEnds) {
        QDialog dialog;
        test::whenModalOpens([&application, &e](QWidget*) { (application.*e.end)(); });
        EXPECT_EQ(dialog.exec(), e.result);
    }
    application.stopModal(); // nothing runs: nothing happens
    application.abortModal();
}

} // namespace
} // namespace halix
