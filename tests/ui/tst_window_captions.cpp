#include "ui/control_panel.h"
#include "ui/text.h"
#include "ui/upload_dialog.h"

#include "../support/named_child.h"

#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTest>

using namespace waytrace;

namespace {

QString languageName(int language)
{
    switch (language) {
    case kJapanese:
        return QStringLiteral("ja");
    case kSimplifiedChinese:
        return QStringLiteral("zh");
    default:
        return QStringLiteral("en");
    }
}

// Every caption of a window must fit its box and be drawn with glyphs of the face it is given.
void checkCaptions(const QWidget& window)
{
    for (const auto* label : window.findChildren<QLabel*>()) {
        const QFontMetrics metrics(label->font());
        const QRect needed =
            metrics.boundingRect(QRect(QPoint(), label->size()),
                                 Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->text());
        QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
                 qPrintable(QStringLiteral("%1 needs %2x%3, has %4x%5")
                                .arg(label->objectName())
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(label->width())
                                .arg(label->height())));
    }
    for (const auto* button : window.findChildren<QPushButton*>()) {
        const QFontMetrics metrics(button->font());
        QVERIFY2(metrics.horizontalAdvance(button->text()) + 8 <= button->width() &&
                     metrics.height() <= button->height(),
                 qPrintable(button->objectName()));
    }
    for (const auto* frame : window.findChildren<QGroupBox*>()) {
        const QFontMetrics metrics(frame->font());
        QVERIFY2(metrics.horizontalAdvance(frame->title()) + 16 <= frame->width(),
                 qPrintable(frame->objectName()));
    }
    for (const auto* list : window.findChildren<QComboBox*>()) {
        QStyleOptionComboBox option;
        option.initFrom(list);
        const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                          QStyle::SC_ComboBoxEditField, list);
        const QFontMetrics metrics(list->font());
        // An item too wide for the field is drawn up to a quarter narrower, never cut off.
        for (int item = 0; item < list->count(); ++item)
            QVERIFY2((metrics.horizontalAdvance(list->itemText(item)) + 2) * 3 / 4 <= field.width(),
                     qPrintable(QStringLiteral("%1: %2 needs %3, has %4")
                                    .arg(list->objectName(), list->itemText(item))
                                    .arg(metrics.horizontalAdvance(list->itemText(item)) + 2)
                                    .arg(field.width())));
    }
    for (const auto* control : window.findChildren<QWidget*>()) {
        QString caption;
        if (const auto* label = qobject_cast<const QLabel*>(control))
            caption = label->text();
        else if (const auto* button = qobject_cast<const QPushButton*>(control))
            caption = button->text();
        else if (const auto* frame = qobject_cast<const QGroupBox*>(control))
            caption = frame->title();
        const QFontMetrics metrics(control->font());
        for (const uint ch : caption.toUcs4())
            QVERIFY2(ch == ' ' || metrics.inFontUcs4(ch),
                     qPrintable(QStringLiteral("%1: no glyph for U+%2")
                                    .arg(control->objectName())
                                    .arg(ch, 4, 16, QLatin1Char('0'))));
    }
}

void save(QWidget& window, const QString& name)
{
    QDir().mkpath(QStringLiteral(SCREENSHOT_DIR));
    window.show();
    QVERIFY(window.grab().save(QStringLiteral(SCREENSHOT_DIR "/%1.png").arg(name)));
}

} // namespace

// Grabs the panel and the upload dialog in every language into the build tree, for people to
// look at, and checks what can be checked without eyes.
class TestWindowCaptions : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { forceInterfaceLanguage(std::nullopt); }

    void windows_data()
    {
        QTest::addColumn<int>("language");
        for (int language : {kEnglish, kJapanese, kSimplifiedChinese})
            QTest::newRow(qPrintable(languageName(language))) << language;
    }

    void windows()
    {
        QFETCH(int, language);
        forceInterfaceLanguage(language);

        RecordedSequence sequence;
        for (int n = 1; n <= 30; ++n) {
            auto record = std::make_shared<UrlRecord>();
            record->urlAddress = u"http://intranet.example/app/page" +
                                 QString::number(n).toStdU16String() + u".jsp?step=next";
            record->displayName = u"Step " + QString::number(n).toStdU16String();
            record->requiredKeywords = u"Welcome";
            record->responseCondition = readResponseCondition(loadText(150).toStdU16String());
            record->responseCode = 505;
            sequence.append(record);
        }
        ControlPanel panel(sequence);
        panel.reloadList();
        checkCaptions(panel);
        save(panel, QStringLiteral("controlpanel_") + languageName(language));

        UploadDialog dialog;
        child<QLineEdit>(dialog, "sequenceNameEdit")->setText(QStringLiteral("Login transaction"));
        child<QLineEdit>(dialog, "passwordEdit")->setText(QStringLiteral("secret"));
        checkCaptions(dialog);
        save(dialog, QStringLiteral("upload_") + languageName(language));
    }
};

QTEST_MAIN(TestWindowCaptions)
#include "tst_window_captions.moc"
