#include "platform/twips.h"
#include "ui/message_box.h"
#include "ui/text.h"
#include "ui/upload_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace waytrace;

namespace {

struct Message
{
    QString title;
    QString text;
};

const char* const kBoxes[] = {"TName", "Text1", "host", "port", "user", "password"};

} // namespace

class TestUploadDialog : public QObject
{
    Q_OBJECT

private:
    QList<Message> messages;

    QLineEdit* box(Uploaddialog& dialog, const QString& name)
    {
        return dialog.findChild<QLineEdit*>(name);
    }

    void fill(Uploaddialog& dialog)
    {
        for (const char* name : kBoxes)
            box(dialog, name)->setText(QStringLiteral("v_") + name);
    }

private slots:
    void initTestCase()
    {
        setMessageBoxFunction([this](QWidget*, const QString& title, const QString& text) {
            messages.append({title, text});
        });
    }
    void cleanupTestCase() { setMessageBoxFunction({}); }
    void init() { messages.clear(); }
    void cleanup() { forceInterfaceLanguage(std::nullopt); }

    void fixedDialog()
    {
        bool uploadcancel = false;
        Uploaddialog dialog(uploadcancel);
        QCOMPARE(dialog.size(), QSize(twipsToPixels(4920), twipsToPixels(3885)));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(dialog.isModal());
    }

    void tabOrderEndsWithThePollInterval()
    {
        bool uploadcancel = false;
        Uploaddialog dialog(uploadcancel);
        QStringList order{dialog.TName->objectName()};
        for (QWidget* w = dialog.TName->nextInFocusChain(); w != dialog.TName;
             w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                order << w->objectName();
        QCOMPARE(order, QStringList({"TName", "host", "port", "user", "password", "OKButton",
                                     "CancelButton", "Text1"}));
    }

    void designValuesAndMaskedPassword()
    {
        bool uploadcancel = false;
        Uploaddialog dialog(uploadcancel);
        QStringList values;
        for (const char* name : kBoxes)
            values << box(dialog, name)->text();
        QCOMPARE(values, QStringList({"", "5", "localhost", "9090", "admin", ""}));

        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.focusWidget(), dialog.TName); // the first box of the tab order
        QTest::keyClicks(dialog.password, "s3cret");
        QCOMPARE(dialog.password->text(), QStringLiteral("s3cret"));
        QCOMPARE(dialog.password->displayText(), QStringLiteral("******"));
        QCOMPARE(dialog.TName->echoMode(), QLineEdit::Normal);
    }

    void okTestsTheBoxesInOrder_data()
    {
        QTest::addColumn<QStringList>("empty");
        QTest::addColumn<int>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("all six") << QStringList(std::begin(kBoxes), std::end(kBoxes)) << 146
                                 << "TName";
        QTest::newRow("interval before host") << QStringList{"host", "Text1"} << 147 << "Text1";
        QTest::newRow("host before port")
            << QStringList{"port", "host", "password"} << 142 << "host";
        QTest::newRow("port") << QStringList{"port"} << 143 << "port";
        QTest::newRow("user") << QStringList{"user", "password"} << 144 << "user";
        QTest::newRow("only password") << QStringList{"password"} << 145 << "password";
    }

    void okTestsTheBoxesInOrder()
    {
        QFETCH(QStringList, empty);
        QFETCH(int, message);
        QFETCH(QString, focus);
        bool uploadcancel = true;
        Uploaddialog dialog(uploadcancel);
        fill(dialog);
        for (const QString& name : empty)
            box(dialog, name)->clear();
        dialog.show();

        QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QStringLiteral("Waytrace"));
        QCOMPARE(messages.first().text, LoadText(message));
        QCOMPARE(dialog.focusWidget(), box(dialog, focus));
        QVERIFY(dialog.isVisible());
        QVERIFY(uploadcancel); // unchanged
    }

    void onlyEmptinessIsTested()
    {
        bool uploadcancel = true;
        Uploaddialog dialog(uploadcancel);
        fill(dialog);
        dialog.Text1->setText(QStringLiteral("   "));
        dialog.port->setText(QStringLiteral("not a port"));
        dialog.show();
        QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        QVERIFY(messages.isEmpty());
        QVERIFY(!dialog.isVisible());
        QVERIFY(!uploadcancel);
    }

    // OK, Cancel and the close box each end the modal display, set the flag and keep the boxes.
    void endingTheModalDisplay_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("OK") << "OK" << false;
        QTest::newRow("Cancel") << "Cancel" << true;
        QTest::newRow("close box") << "close" << true;
    }

    void endingTheModalDisplay()
    {
        QFETCH(QString, how);
        QFETCH(bool, cancelled);
        bool uploadcancel = !cancelled;
        const auto owned = std::make_unique<Uploaddialog>(uploadcancel);
        const QPointer<Uploaddialog> dialog = owned.get(); // also proves no exit destroys it
        QTimer::singleShot(0, dialog, [&] {
            fill(*dialog);
            if (how == "OK")
                QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
            else if (how == "Cancel")
                QTest::mouseClick(dialog->CancelButton, Qt::LeftButton);
            else
                dialog->close();
        });
        dialog->showModal(); // returns only once the dialog is hidden
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(uploadcancel, cancelled);
        QVERIFY(messages.isEmpty());

        // The next opening shows what was typed.
        QTimer::singleShot(0, dialog, [&] {
            QCOMPARE(dialog->host->text(), QStringLiteral("v_host"));
            QCOMPARE(dialog->password->text(), QStringLiteral("v_password"));
            QTest::mouseClick(dialog->CancelButton, Qt::LeftButton);
        });
        dialog->showModal();
        QVERIFY(uploadcancel);
    }

    void cancelTestsNothing()
    {
        bool uploadcancel = false;
        Uploaddialog dialog(uploadcancel);
        for (const char* name : kBoxes)
            box(dialog, name)->clear();
        dialog.show();
        QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
        QVERIFY(messages.isEmpty());
        QVERIFY(!dialog.isVisible());
        QVERIFY(uploadcancel);
    }

    void enterAndEscPressNoButton()
    {
        bool uploadcancel = true;
        Uploaddialog dialog(uploadcancel);
        fill(dialog);
        dialog.show();
        QTest::keyClick(dialog.TName, Qt::Key_Return);
        QTest::keyClick(dialog.host, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QVERIFY(uploadcancel);

        // The button that has the focus takes Enter.
        dialog.OKButton->setFocus();
        QTest::keyClick(dialog.OKButton, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QVERIFY(!uploadcancel);
    }

    void localizedCaptionsEnglishTooltips_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("okCaption");
        QTest::newRow("English") << kEnglish << "OK";
        QTest::newRow("Japanese") << kJapanese << "OK";
        QTest::newRow("Chinese") << kSimplifiedChinese << QStringLiteral("确认");
    }

    void localizedCaptionsEnglishTooltips()
    {
        QFETCH(int, language);
        QFETCH(QString, okCaption);
        forceInterfaceLanguage(language);
        bool uploadcancel = false;
        Uploaddialog dialog(uploadcancel);

        QCOMPARE(dialog.windowTitle(), LoadText(131));
        QCOMPARE(dialog.OKButton->text(), okCaption);
        const QList<QPair<QWidget*, int>> captions{
            {dialog.TransactionName, 132}, {dialog.Label3, 133},   {dialog.Label4, 134},
            {dialog.Label1, 135},          {dialog.Label2, 136},   {dialog.Label5, 120},
            {dialog.Label6, 121},          {dialog.OKButton, 128}, {dialog.CancelButton, 137}};
        const QString face = LoadText(153);
        const int charset = LoadText(152).toInt();
        for (const auto& [control, id] : captions) {
            const auto* label = qobject_cast<QLabel*>(control);
            QCOMPARE(label ? label->text() : qobject_cast<QPushButton*>(control)->text(),
                     LoadText(id));
            QCOMPARE(control->font().family(), face);
            QCOMPARE(control->property(kCharsetProperty).toInt(), charset);
        }
        for (QLineEdit* edit :
             {dialog.TName, dialog.host, dialog.port, dialog.user, dialog.password}) {
            QCOMPARE(edit->font().family(), face);
            QCOMPARE(edit->property(kCharsetProperty).toInt(), charset);
        }
        QVERIFY(!dialog.Text1->property(kCharsetProperty).isValid());
        QVERIFY(dialog.Text1->font().family() != face);
        QVERIFY(!dialog.U->property(kCharsetProperty).isValid());
        QCOMPARE(dialog.host->text(), QStringLiteral("localhost")); // texts untouched by loading

        QCOMPARE(dialog.TransactionName->toolTip(),
                 QStringLiteral("Enter the display name of the Transaction"));
        QCOMPARE(dialog.TName->toolTip(),
                 QStringLiteral("Enter the display name of the Transaction"));
        QCOMPARE(dialog.host->toolTip(), QStringLiteral("Enter the host name of the Torvane"));
        QCOMPARE(dialog.port->toolTip(), QStringLiteral("Enter the port of the Torvane"));
        QCOMPARE(dialog.Text1->toolTip(),
                 QStringLiteral("Enter the poll interval for this monitor"));

        dialog.show();
        dialog.TName->clear();
        QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QStringLiteral("Waytrace"));
        QCOMPARE(messages.first().text, LoadText(146));
    }
};

QTEST_MAIN(TestUploadDialog)
#include "tst_upload_dialog.moc"
