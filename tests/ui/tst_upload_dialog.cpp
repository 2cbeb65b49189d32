#include "browser/twips.h"
#include "ui/message_box.h"
#include "ui/text.h"
#include "ui/upload_dialog.h"

#include "../support/modal_answer.h"
#include "../support/named_child.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
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

const char* const kBoxes[] = {"sequenceNameEdit", "pollIntervalEdit", "hostEdit",
                              "portEdit",         "userEdit",         "passwordEdit"};

} // namespace

class TestUploadDialog : public QObject
{
    Q_OBJECT

private:
    QList<Message> messages;

    QLineEdit* box(UploadDialog& dialog, const QString& name)
    {
        return dialog.findChild<QLineEdit*>(name);
    }

    void fill(UploadDialog& dialog)
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
        UploadDialog dialog;
        QCOMPARE(dialog.size(), QSize(twipsToPixels(4920), twipsToPixels(3885)));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(dialog.isModal());
    }

    void tabOrderEndsWithThePollInterval()
    {
        UploadDialog dialog;
        QStringList order{child<QLineEdit>(dialog, "sequenceNameEdit")->objectName()};
        for (QWidget* w = child<QLineEdit>(dialog, "sequenceNameEdit")->nextInFocusChain();
             w != child<QLineEdit>(dialog, "sequenceNameEdit"); w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                order << w->objectName();
        QCOMPARE(order,
                 QStringList({"sequenceNameEdit", "hostEdit", "portEdit", "userEdit",
                              "passwordEdit", "okButton", "cancelButton", "pollIntervalEdit"}));
    }

    void designValuesAndMaskedPassword()
    {
        UploadDialog dialog;
        QStringList values;
        for (const char* name : kBoxes)
            values << box(dialog, name)->text();
        QCOMPARE(values, QStringList({"", "5", "localhost", "9090", "admin", ""}));

        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.focusWidget(),
                 child<QLineEdit>(dialog, "sequenceNameEdit")); // the first box of the tab order
        QTest::keyClicks(child<QLineEdit>(dialog, "passwordEdit"), "s3cret");
        QCOMPARE(child<QLineEdit>(dialog, "passwordEdit")->text(), QStringLiteral("s3cret"));
        QCOMPARE(child<QLineEdit>(dialog, "passwordEdit")->displayText(), QStringLiteral("******"));
        QCOMPARE(child<QLineEdit>(dialog, "sequenceNameEdit")->echoMode(), QLineEdit::Normal);
    }

    void okTestsTheBoxesInOrder_data()
    {
        QTest::addColumn<QStringList>("empty");
        QTest::addColumn<int>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("all six") << QStringList(std::begin(kBoxes), std::end(kBoxes)) << 146
                                 << "sequenceNameEdit";
        QTest::newRow("interval before host")
            << QStringList{"hostEdit", "pollIntervalEdit"} << 147 << "pollIntervalEdit";
        QTest::newRow("host before port")
            << QStringList{"portEdit", "hostEdit", "passwordEdit"} << 142 << "hostEdit";
        QTest::newRow("portEdit") << QStringList{"portEdit"} << 143 << "portEdit";
        QTest::newRow("userEdit") << QStringList{"userEdit", "passwordEdit"} << 144 << "userEdit";
        QTest::newRow("only password") << QStringList{"passwordEdit"} << 145 << "passwordEdit";
    }

    void okTestsTheBoxesInOrder()
    {
        QFETCH(QStringList, empty);
        QFETCH(int, message);
        QFETCH(QString, focus);
        UploadDialog dialog;
        fill(dialog);
        for (const QString& name : empty)
            box(dialog, name)->clear();
        dialog.show();
        QSignalSpy finished(&dialog, &QDialog::finished);

        QTest::mouseClick(child<QPushButton>(dialog, "okButton"), Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QStringLiteral("Waytrace"));
        QCOMPARE(messages.first().text, loadText(message));
        QCOMPARE(dialog.focusWidget(), box(dialog, focus));
        QVERIFY(dialog.isVisible());
        QVERIFY(finished.isEmpty());
    }

    void onlyEmptinessIsTested()
    {
        UploadDialog dialog;
        fill(dialog);
        child<QLineEdit>(dialog, "pollIntervalEdit")->setText(QStringLiteral("   "));
        child<QLineEdit>(dialog, "portEdit")->setText(QStringLiteral("not a port"));
        dialog.show();
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        QTest::mouseClick(child<QPushButton>(dialog, "okButton"), Qt::LeftButton);
        QVERIFY(messages.isEmpty());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(accepted.size(), 1);
    }

    // OK, Cancel and the close box each end the modal display with its answer and keep the boxes.
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
        const auto owned = std::make_unique<UploadDialog>();
        const QPointer<UploadDialog> dialog = owned.get(); // also proves no exit destroys it
        ModalAnswer<UploadDialog> answer([&](UploadDialog& shown) {
            fill(shown);
            if (how == "OK")
                QTest::mouseClick(shown.findChild<QPushButton*>("okButton"), Qt::LeftButton);
            else if (how == "Cancel")
                QTest::mouseClick(shown.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
            else
                shown.close();
        });
        const auto fields = dialog->ask(); // returns only once the dialog is hidden
        QVERIFY(answer.finished());
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(!fields, cancelled);
        if (fields)
            QCOMPARE(fields->host, std::u16string(u"v_hostEdit"));
        QVERIFY(messages.isEmpty());

        // The next opening shows what was typed.
        ModalAnswer<UploadDialog> reopened([&](UploadDialog& shown) {
            QCOMPARE(box(shown, "hostEdit")->text(), QStringLiteral("v_hostEdit"));
            QCOMPARE(box(shown, "passwordEdit")->text(), QStringLiteral("v_passwordEdit"));
            QTest::mouseClick(shown.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
        });
        QVERIFY(!dialog->ask());
        QVERIFY(reopened.finished());
    }

    void cancelTestsNothing()
    {
        UploadDialog dialog;
        for (const char* name : kBoxes)
            box(dialog, name)->clear();
        dialog.show();
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        QTest::mouseClick(child<QPushButton>(dialog, "cancelButton"), Qt::LeftButton);
        QVERIFY(messages.isEmpty());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(rejected.size(), 1);
    }

    void enterAndEscPressNoButton()
    {
        UploadDialog dialog;
        fill(dialog);
        dialog.show();
        QSignalSpy finished(&dialog, &QDialog::finished);
        QTest::keyClick(child<QLineEdit>(dialog, "sequenceNameEdit"), Qt::Key_Return);
        QTest::keyClick(child<QLineEdit>(dialog, "hostEdit"), Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QVERIFY(finished.isEmpty());

        // Not even the button that has the focus: only a click or the space bar presses it.
        child<QPushButton>(dialog, "okButton")->setFocus();
        QTest::keyClick(child<QPushButton>(dialog, "okButton"), Qt::Key_Return);
        QTest::keyClick(child<QPushButton>(dialog, "okButton"), Qt::Key_Enter);
        QVERIFY(dialog.isVisible());
        QTest::keyClick(child<QPushButton>(dialog, "okButton"), Qt::Key_Space);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(finished.size(), 1);
        QCOMPARE(dialog.result(), QDialog::Accepted);
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
        UploadDialog dialog;

        QCOMPARE(dialog.windowTitle(), loadText(131));
        QCOMPARE(child<QPushButton>(dialog, "okButton")->text(), okCaption);
        const QList<QPair<QWidget*, int>> captions{
            {child<QLabel>(dialog, "sequenceNameLabel"), 132},
            {child<QLabel>(dialog, "pollIntervalLabel"), 133},
            {child<QLabel>(dialog, "minutesLabel"), 134},
            {child<QLabel>(dialog, "hostLabel"), 135},
            {child<QLabel>(dialog, "portLabel"), 136},
            {child<QLabel>(dialog, "userLabel"), 120},
            {child<QLabel>(dialog, "passwordLabel"), 121},
            {child<QPushButton>(dialog, "okButton"), 128},
            {child<QPushButton>(dialog, "cancelButton"), 137}};
        const QString face = loadText(153);
        const int charset = loadText(152).toInt();
        for (const auto& [control, id] : captions) {
            const auto* label = qobject_cast<QLabel*>(control);
            QCOMPARE(label ? label->text() : qobject_cast<QPushButton*>(control)->text(),
                     loadText(id));
            QCOMPARE(control->font().family(), face);
            QCOMPARE(control->property(kCharsetProperty).toInt(), charset);
        }
        for (QLineEdit* edit :
             {child<QLineEdit>(dialog, "sequenceNameEdit"), child<QLineEdit>(dialog, "hostEdit"),
              child<QLineEdit>(dialog, "portEdit"), child<QLineEdit>(dialog, "userEdit"),
              child<QLineEdit>(dialog, "passwordEdit")}) {
            QCOMPARE(edit->font().family(), face);
            QCOMPARE(edit->property(kCharsetProperty).toInt(), charset);
        }
        QVERIFY(
            !child<QLineEdit>(dialog, "pollIntervalEdit")->property(kCharsetProperty).isValid());
        QVERIFY(child<QLineEdit>(dialog, "pollIntervalEdit")->font().family() != face);
        QVERIFY(!child<QGroupBox>(dialog, "uploadFrame")->property(kCharsetProperty).isValid());
        QCOMPARE(child<QLineEdit>(dialog, "hostEdit")->text(),
                 QStringLiteral("localhost")); // texts untouched by loading

        QCOMPARE(child<QLabel>(dialog, "sequenceNameLabel")->toolTip(),
                 QStringLiteral("Enter the display name of the Transaction"));
        QCOMPARE(child<QLineEdit>(dialog, "sequenceNameEdit")->toolTip(),
                 QStringLiteral("Enter the display name of the Transaction"));
        QCOMPARE(child<QLineEdit>(dialog, "hostEdit")->toolTip(),
                 QStringLiteral("Enter the host name of the Torvane"));
        QCOMPARE(child<QLineEdit>(dialog, "portEdit")->toolTip(),
                 QStringLiteral("Enter the port of the Torvane"));
        QCOMPARE(child<QLineEdit>(dialog, "pollIntervalEdit")->toolTip(),
                 QStringLiteral("Enter the poll interval for this monitor"));

        dialog.show();
        child<QLineEdit>(dialog, "sequenceNameEdit")->clear();
        QTest::mouseClick(child<QPushButton>(dialog, "okButton"), Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QStringLiteral("Waytrace"));
        QCOMPARE(messages.first().text, loadText(146));
    }
};

QTEST_MAIN(TestUploadDialog)
#include "tst_upload_dialog.moc"
