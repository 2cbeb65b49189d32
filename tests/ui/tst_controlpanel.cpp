#include "browser/twips.h"
#include "ui/control_panel.h"
#include "ui/text.h"

#include "../support/named_child.h"
#include "../support/u16_compare.h"

#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <algorithm>

using namespace waytrace;

namespace {

struct LanguageScope
{
    explicit LanguageScope(int language) { forceInterfaceLanguage(language); }
    ~LanguageScope() { forceInterfaceLanguage(std::nullopt); }
};

// Record n of a test sequence carries n in every text field, so a shown value names its record.
RecordRef numbered(int n)
{
    auto record = std::make_shared<UrlRecord>();
    const auto tag = QString::number(n).toStdU16String();
    record->urlAddress = u"http://host/page" + tag;
    record->displayName = u"label" + tag;
    record->requiredKeywords = u"found" + tag;
    record->forbiddenKeywords = u"missing" + tag;
    record->userName = u"user" + tag;
    record->password = u"secret" + tag;
    return record;
}

RecordedSequence sequenceOf(int count)
{
    RecordedSequence sequence;
    for (int n = 1; n <= count; ++n)
        sequence.append(numbered(n));
    return sequence;
}

QListView* urlList(const ControlPanel& panel)
{
    return child<QListView>(panel, "urlList");
}

QStringList entries(const ControlPanel& panel)
{
    QStringList texts;
    const auto* model = urlList(panel)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, 0).data().toString();
    return texts;
}

void select(ControlPanel& panel, int row)
{
    urlList(panel)->setCurrentIndex(urlList(panel)->model()->index(row, 0));
}

// What the detail boxes show, in the record's field order.
QStringList details(const ControlPanel& panel)
{
    return {child<QLineEdit>(panel, "urlLabelEdit")->text(),
            child<QLineEdit>(panel, "requiredKeywordsEdit")->text(),
            child<QLineEdit>(panel, "forbiddenKeywordsEdit")->text(),
            child<QLineEdit>(panel, "userNameEdit")->text(),
            child<QLineEdit>(panel, "passwordEdit")->text()};
}

QStringList detailsOf(const UrlRecord& record)
{
    return {QString::fromStdU16String(record.displayName),
            QString::fromStdU16String(record.requiredKeywords),
            QString::fromStdU16String(record.forbiddenKeywords),
            QString::fromStdU16String(record.userName), QString::fromStdU16String(record.password)};
}

RecordTextField fieldOf(const QString& box)
{
    if (box == "urlLabelEdit")
        return &UrlRecord::displayName;
    if (box == "requiredKeywordsEdit")
        return &UrlRecord::requiredKeywords;
    if (box == "forbiddenKeywordsEdit")
        return &UrlRecord::forbiddenKeywords;
    if (box == "userNameEdit")
        return &UrlRecord::userName;
    return &UrlRecord::password;
}

} // namespace

class TestControlPanel : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { forceInterfaceLanguage(std::nullopt); }

    void fixedWindowWithTheCodesBoxOverTheFrame()
    {
        RecordedSequence sequence;
        ControlPanel panel(sequence);
        QCOMPARE(panel.size(), QSize(twipsToPixels(6030), twipsToPixels(9870)));
        QCOMPARE(panel.minimumSize(), panel.maximumSize());
        QVERIFY(
            !(panel.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(panel.windowFlags() & Qt::WindowCloseButtonHint);
        // The forbidden-keywords box belongs to the window, yet lies over the alert frame, under
        // the label that names it.
        QCOMPARE(child<QLineEdit>(panel, "forbiddenKeywordsEdit")->parentWidget(), &panel);
        QVERIFY(child<QGroupBox>(panel, "alertFrame")
                    ->geometry()
                    .contains(child<QLineEdit>(panel, "forbiddenKeywordsEdit")->geometry()));
        QCOMPARE(
            panel.childAt(child<QLineEdit>(panel, "forbiddenKeywordsEdit")->geometry().center()),
            child<QLineEdit>(panel, "forbiddenKeywordsEdit"));
    }

    void tabOrder()
    {
        RecordedSequence sequence;
        ControlPanel panel(sequence);
        QStringList order{urlList(panel)->objectName()};
        for (QWidget* w = urlList(panel)->nextInFocusChain(); w != urlList(panel);
             w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                order << w->objectName();
        QCOMPARE(order,
                 QStringList({"urlList", "urlLabelEdit", "requiredKeywordsEdit",
                              "forbiddenKeywordsEdit", "responseConditionBox", "responseCodeBox",
                              "userNameEdit", "passwordEdit", "trialRunButton", "closeButton"}));
    }

    void textsAndFonts_data()
    {
        QTest::addColumn<int>("language");
        for (int language : {kEnglish, kJapanese, kSimplifiedChinese})
            QTest::addRow("%d", language) << language;
    }

    void textsAndFonts()
    {
        QFETCH(int, language);
        LanguageScope scope(language);
        RecordedSequence sequence;
        ControlPanel panel(sequence);

        QCOMPARE(panel.windowTitle(), loadText(109));
        const QList<QPair<QWidget*, int>> captions{
            {child<QGroupBox>(panel, "urlListFrame"), 124},
            {child<QGroupBox>(panel, "urlLabelFrame"), 114},
            {child<QGroupBox>(panel, "alertFrame"), 115},
            {child<QGroupBox>(panel, "loginFrame"), 119},
            {child<QLabel>(panel, "urlDetailsLabel"), 113},
            {child<QLabel>(panel, "requiredKeywordsLabel"), 116},
            {child<QLabel>(panel, "forbiddenKeywordsLabel"), 117},
            {child<QLabel>(panel, "responseCodeLabel"), 118},
            {child<QLabel>(panel, "userNameLabel"), 120},
            {child<QLabel>(panel, "passwordLabel"), 121},
            {child<QLabel>(panel, "deleteHintLabel"), 122},
            {child<QPushButton>(panel, "closeButton"), 123}};
        const int charset = loadText(152).toInt();
        for (const auto& [control, id] : captions) {
            QString caption;
            if (auto* box = qobject_cast<QGroupBox*>(control))
                caption = box->title();
            else if (auto* label = qobject_cast<QLabel*>(control))
                caption = label->text();
            else
                caption = qobject_cast<QPushButton*>(control)->text();
            QCOMPARE(caption, loadText(id));
            QCOMPARE(control->font().family(), loadText(153));
            QCOMPARE(control->property(kCharsetProperty).toInt(), charset);
        }
        for (int item = 0; item < 3; ++item)
            QCOMPARE(child<QComboBox>(panel, "responseConditionBox")->itemText(item),
                     loadText(148 + item));
        QCOMPARE(child<QComboBox>(panel, "responseConditionBox")->font().family(), loadText(153));

        // The list, the codes and the window keep the default face, even inside localized frames.
        const QString face = loadText(153);
        for (QWidget* plain : {static_cast<QWidget*>(urlList(panel)),
                               static_cast<QWidget*>(child<QComboBox>(panel, "responseCodeBox")),
                               static_cast<QWidget*>(&panel)}) {
            QVERIFY2(plain->font().family() != face, qPrintable(plain->objectName()));
            QVERIFY(!plain->property(kCharsetProperty).isValid());
        }
    }

    void emptySequenceAtCreation()
    {
        RecordedSequence sequence;
        ControlPanel panel(sequence);
        QVERIFY(entries(panel).isEmpty());
        QCOMPARE(panel.selectedPosition(), -1);
        QCOMPARE(details(panel), QStringList(5, QString()));
        QCOMPARE(child<QComboBox>(panel, "responseConditionBox")->currentIndex(), -1);
        QCOMPARE(child<QComboBox>(panel, "responseCodeBox")->currentIndex(), -1);
        QCOMPARE(child<QComboBox>(panel, "responseCodeBox")->count(), 23);
    }

    // The refill displays a record before the condition items are localized, so an English
    // condition still matches the design items under another language.
    // A long address does not push the entry past the list's edge: its middle gives way, so
    // the end of the entry (the run's result, the flag) stays in view.
    void longEntriesFitTheList()
    {
        RecordedSequence sequence = sequenceOf(2);
        sequence.at(1)->urlAddress = u"http://host/" + std::u16string(500, u'x');
        ControlPanel panel(sequence);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        auto* list = urlList(panel);
        for (int row = 0; row < 2; ++row)
            QCOMPARE(list->visualRect(list->model()->index(row, 0)).width(),
                     list->viewport()->width());
        QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
    }

    void loadDisplaysAgainstDesignItems()
    {
        LanguageScope scope(kJapanese);
        RecordedSequence sequence = sequenceOf(1);
        sequence.at(0)->responseCondition = readResponseCondition(u"Not Equal to");
        ControlPanel panel(sequence);
        QCOMPARE(child<QComboBox>(panel, "responseConditionBox")->currentIndex(), 2);
        QCOMPARE(child<QComboBox>(panel, "responseConditionBox")->currentText(),
                 QStringLiteral("右値に等しくない"));
        QCOMPARE(conditionWords(sequence.at(0)->responseCondition), u"Not Equal to");

        // After load the English text no longer matches: the pick on display stays.
        sequence.at(0)->responseCondition = readResponseCondition(u"Equal to");
        panel.reloadList();
        QCOMPARE(child<QComboBox>(panel, "responseConditionBox")->currentIndex(), 2);
    }

    void refillSelectsAndDisplaysTheLast()
    {
        RecordedSequence sequence = sequenceOf(5);
        ControlPanel panel(sequence);
        QCOMPARE(entries(panel).size(), 5);
        QCOMPARE(entries(panel).first(), QStringLiteral("http://host/page1"));
        QCOMPARE(panel.selectedPosition(), 4);
        QCOMPARE(details(panel), detailsOf(*sequence.at(4)));
        QCOMPARE(child<QLineEdit>(panel, "urlLabelEdit")->property(kCharsetProperty).toInt(), 134);

        select(panel, 1);
        QCOMPARE(details(panel), detailsOf(*sequence.at(1)));

        sequence.append(numbered(6)); // the recorder appends; the list learns at the next refill
        QCOMPARE(entries(panel).size(), 5);
        panel.reloadList();
        QCOMPARE(entries(panel).size(), 6);
        QCOMPARE(panel.selectedPosition(), 5);
        QCOMPARE(details(panel), detailsOf(*sequence.at(5)));

        // Arrow keys move the selection and display the record they land on.
        QTest::keyClick(urlList(panel), Qt::Key_Up);
        QCOMPARE(panel.selectedPosition(), 4);
        QCOMPARE(details(panel), detailsOf(*sequence.at(4)));
    }

    void conditionAndCodeMatching_data()
    {
        QTest::addColumn<QString>("firstCondition");
        QTest::addColumn<int>("firstValue");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("conditionItem");
        QTest::addColumn<int>("valueItem");
        QTest::newRow("both match") << "Greater than" << 200 << "Not Equal to" << 404 << 2 << 8;
        QTest::newRow("last code") << "Greater than" << 200 << "Equal to" << 505 << 1 << 22;
        QTest::newRow("code not listed keeps the pick")
            << "Equal to" << 404 << "Equal to" << 201 << 1 << 8;
        QTest::newRow("condition case differs")
            << "Not Equal to" << 302 << "equal to" << 302 << 2 << 3;
        QTest::newRow("negative code")
            << "Greater than" << 500 << "Greater than" << -200 << 0 << 18;
    }

    void conditionAndCodeMatching()
    {
        QFETCH(QString, firstCondition);
        QFETCH(int, firstValue);
        QFETCH(QString, condition);
        QFETCH(int, value);
        QFETCH(int, conditionItem);
        QFETCH(int, valueItem);
        RecordedSequence sequence = sequenceOf(2);
        sequence.at(0)->responseCondition = readResponseCondition(firstCondition.toStdU16String());
        sequence.at(0)->responseCode = static_cast<std::int16_t>(firstValue);
        sequence.at(1)->responseCondition = readResponseCondition(condition.toStdU16String());
        sequence.at(1)->responseCode = static_cast<std::int16_t>(value);
        ControlPanel panel(sequence);
        select(panel, 0);
        select(panel, 1);
        QCOMPARE(child<QComboBox>(panel, "responseConditionBox")->currentIndex(), conditionItem);
        QCOMPARE(child<QComboBox>(panel, "responseCodeBox")->currentIndex(), valueItem);
        // Showing a record never changes it.
        QCOMPARE(QString::fromStdU16String(
                     std::u16string(conditionWords(sequence.at(1)->responseCondition))),
                 condition);
        QCOMPARE(sequence.at(1)->responseCode, value);
    }

    void deletion_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("selected"); // -1: nothing selected
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QList<int>>("remaining"); // record numbers left, in order
        QTest::newRow("first of three") << 3 << 0 << int(Qt::Key_Delete) << 0 << QList<int>{2, 3};
        QTest::newRow("last of three") << 3 << 2 << int(Qt::Key_Delete) << 0 << QList<int>{1, 2};
        QTest::newRow("with shift and ctrl")
            << 3 << 1 << int(Qt::Key_Delete) << int(Qt::ShiftModifier | Qt::ControlModifier)
            << QList<int>{1, 3};
        QTest::newRow("only entry") << 1 << 0 << int(Qt::Key_Delete) << 0 << QList<int>{};
        // A list with entries keeps one selected: the last, after a refill.
        QTest::newRow("selection cleared")
            << 3 << -1 << int(Qt::Key_Delete) << 0 << QList<int>{1, 2};
        QTest::newRow("backspace") << 3 << 0 << int(Qt::Key_Backspace) << 0 << QList<int>{1, 2, 3};
        QTest::newRow("letter d") << 3 << 0 << int(Qt::Key_D) << 0 << QList<int>{1, 2, 3};
    }

    void deletion()
    {
        QFETCH(int, count);
        QFETCH(int, selected);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QList<int>, remaining);
        RecordedSequence sequence = sequenceOf(count);
        ControlPanel panel(sequence);
        if (selected >= 0)
            select(panel, selected);
        else
            urlList(panel)->selectionModel()->clearSelection();
        const QStringList shownBefore = details(panel);

        QTest::keyClick(urlList(panel), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QList<int> left;
        QStringList expectedEntries;
        for (const auto& record : sequence) {
            left
                << QString::fromStdU16String(record->urlAddress).remove("http://host/page").toInt();
            expectedEntries << QString::fromStdU16String(record->urlAddress);
        }
        QCOMPARE(left, remaining);
        QCOMPARE(entries(panel), expectedEntries);
        if (remaining.size() == count && selected < 0) {
            QCOMPARE(panel.selectedPosition(), -1);
        } else if (remaining.size() == count) {
            QCOMPARE(panel.selectedPosition(), selected);
        } else if (remaining.isEmpty()) {
            // Nothing left to select: the boxes keep the removed record's values.
            QCOMPARE(panel.selectedPosition(), -1);
            QCOMPARE(details(panel), shownBefore);
        } else {
            // The neighbour that took the removed entry's place, or the new last.
            const int removedAt = selected < 0 ? count - 1 : selected;
            const int neighbour = std::min(removedAt, int(remaining.size()) - 1);
            QCOMPARE(panel.selectedPosition(), neighbour);
            QCOMPARE(details(panel), detailsOf(*sequence.at(std::size_t(neighbour))));
        }
    }

    void heldDeleteEmptiesFromTheSelectedEntry()
    {
        RecordedSequence sequence = sequenceOf(3);
        SequenceUndo undo;
        ControlPanel panel(sequence, &undo);
        select(panel, 0);
        // The first goes; the entry that takes its place is selected, and goes next.
        for (const QStringList& remaining : {QStringList{"http://host/page2", "http://host/page3"},
                                             QStringList{"http://host/page3"}, QStringList{}}) {
            QTest::keyClick(urlList(panel), Qt::Key_Delete);
            QCOMPARE(entries(panel), remaining);
            QStringList recorded;
            for (const auto& record : sequence)
                recorded << QString::fromStdU16String(record->urlAddress);
            QCOMPARE(recorded, remaining);
        }
        QCOMPARE(sequence.count(), 0u);
        QTest::keyClick(urlList(panel), Qt::Key_Delete); // nothing left: nothing happens
        QCOMPARE(panel.selectedPosition(), -1);
        QCOMPARE(undo.undo(sequence),
                 std::optional<std::size_t>(0)); // each removal was kept to be put back
        QCOMPARE(undo.undo(sequence), std::optional<std::size_t>(0));
        QCOMPARE(undo.undo(sequence), std::optional<std::size_t>(0));
        QCOMPARE(sequence.count(), 3u);
        QVERIFY(!undo.undo(sequence));
    }

    void closeHidesButCloseBoxDestroys()
    {
        RecordedSequence sequence = sequenceOf(3);
        QPointer<ControlPanel> panel = new ControlPanel(sequence);
        panel->show();
        select(*panel, 1);
        child<QLineEdit>(*panel, "urlLabelEdit")->setText(QStringLiteral("typed, not released"));

        QTest::mouseClick(child<QPushButton>(*panel, "closeButton"), Qt::LeftButton);
        QVERIFY(!panel->isVisible());
        panel->show();
        QCOMPARE(panel->selectedPosition(), 1);
        QCOMPARE(child<QLineEdit>(*panel, "urlLabelEdit")->text(),
                 QStringLiteral("typed, not released"));

        QVERIFY(panel->close());
        QTRY_VERIFY(panel.isNull());
        QCOMPARE(sequence.count(), std::size_t(3));

        ControlPanel rebuilt(sequence);
        QCOMPARE(rebuilt.selectedPosition(), 2);
        QCOMPARE(details(rebuilt), detailsOf(*sequence.at(2)));
    }

    void keyReleaseStoresTheWholeText_data()
    {
        QTest::addColumn<QString>("box");
        for (const char* box : {"urlLabelEdit", "requiredKeywordsEdit", "forbiddenKeywordsEdit",
                                "userNameEdit", "passwordEdit"})
            QTest::newRow(box) << box;
    }

    void keyReleaseStoresTheWholeText()
    {
        QFETCH(QString, box);
        const auto field = fieldOf(box);
        RecordedSequence sequence = sequenceOf(3);
        ControlPanel panel(sequence);
        panel.show();
        select(panel, 1);
        auto* edit = panel.findChild<QLineEdit*>(box);
        const std::u16string shown = (*numbered(2)).*field;

        // Text put in without typing reaches the record at the next key release, whatever key.
        edit->setText(QStringLiteral("set, not typed"));
        QCOMPARE((*sequence.at(1)).*field, shown);
        QTest::keyRelease(edit, Qt::Key_Left);
        QCOMPARE((*sequence.at(1)).*field, u"set, not typed"s);
        edit->clear();
        QCOMPARE((*sequence.at(1)).*field, u"set, not typed"s);
        QTest::keyRelease(edit, Qt::Key_Shift, Qt::ShiftModifier);
        QCOMPARE((*sequence.at(1)).*field, u""s);

        for (const char16_t* expected : {u"a", u"ab", u"abc"}) {
            QTest::keyClick(edit, char(expected[std::char_traits<char16_t>::length(expected) - 1]));
            QCOMPARE((*sequence.at(1)).*field, expected);
        }
        QTest::keyClick(edit, Qt::Key_Left); // no change to the text: the same text again
        QCOMPARE((*sequence.at(1)).*field, u"abc"s);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE((*sequence.at(1)).*field, u""s);

        // Neither the other records nor the list changed.
        QCOMPARE(detailsOf(*sequence.at(0)), detailsOf(*numbered(1)));
        QCOMPARE(detailsOf(*sequence.at(2)), detailsOf(*numbered(3)));
        QCOMPARE(entries(panel).size(), 3);

        // The edit is read back from the record when the entry is shown again.
        QTest::keyClicks(edit, "xyz");
        select(panel, 2);
        select(panel, 1);
        QCOMPARE(edit->text(), QStringLiteral("xyz"));

        // No length limit: a value past 16 bits is shown whole and a key release keeps it so.
        const std::u16string longValue = std::u16string(40000, u'w') + u"end";
        (*sequence.at(2)).*field = longValue;
        select(panel, 2);
        QCOMPARE(edit->text().size(), qsizetype(longValue.size()));
        QTest::keyRelease(edit, Qt::Key_Left);
        QCOMPARE((*sequence.at(2)).*field, longValue);
    }

    // Edits that come without a key release in the box reach the record too, so they survive
    // a change of selection.
    void editsWithoutKeysAreKept_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("stored");
        QTest::newRow("paste") << "urlLabelEdit"
                               << "paste"
                               << "label2 pasted";
        QTest::newRow("cut") << "requiredKeywordsEdit"
                             << "cut"
                             << "";
        QTest::newRow("input method") << "passwordEdit"
                                      << "input method"
                                      << "secret2日本語";
    }

    void editsWithoutKeysAreKept()
    {
        QFETCH(QString, box);
        QFETCH(QString, how);
        QFETCH(QString, stored);
        RecordedSequence sequence = sequenceOf(3);
        ControlPanel panel(sequence);
        panel.show();
        select(panel, 1);
        auto* edit = panel.findChild<QLineEdit*>(box);
        edit->setFocus();
        edit->end(false);
        if (how == "paste") {
            QGuiApplication::clipboard()->setText(QStringLiteral(" pasted"));
            edit->paste();
        } else if (how == "cut") {
            edit->selectAll();
            edit->cut();
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QStringLiteral("日本語"));
            QCoreApplication::sendEvent(edit, &commit);
        }
        QCOMPARE(edit->text(), stored);
        select(panel, 0);
        select(panel, 1);
        QCOMPARE(edit->text(), stored);
        QCOMPARE(QString::fromStdU16String((*sequence.at(1)).*fieldOf(box)), stored);
    }

    // With no step selected, the details take no typing: it would go nowhere.
    void withoutASelectionTheDetailsTakeNoTyping()
    {
        RecordedSequence sequence = sequenceOf(1);
        ControlPanel panel(sequence);
        panel.show();
        const QStringList details{"urlLabelEdit",   "requiredKeywordsEdit", "forbiddenKeywordsEdit",
                                  "userNameEdit",   "passwordEdit",         "responseConditionBox",
                                  "responseCodeBox"};
        for (const auto& name : details)
            QVERIFY(child<QWidget>(panel, qPrintable(name))->isEnabled());
        QTest::keyClick(urlList(panel), Qt::Key_Delete);
        QCOMPARE(sequence.count(), std::size_t(0));
        for (const auto& name : details)
            QVERIFY2(!child<QWidget>(panel, qPrintable(name))->isEnabled(), qPrintable(name));
    }

    // Ctrl+click on the selected entry would leave the boxes showing a record that typing no
    // longer reaches: the entry stays selected, and what is typed goes into its record.
    void aListWithEntriesKeepsOneSelected()
    {
        RecordedSequence two = sequenceOf(2);
        ControlPanel panel(two);
        panel.show();
        const QRect entry = urlList(panel)->visualRect(urlList(panel)->model()->index(1, 0));
        QTest::mouseClick(urlList(panel)->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          entry.center());
        QCOMPARE(panel.selectedPosition(), 1);
        urlList(panel)->selectionModel()->clearSelection();
        QCOMPARE(panel.selectedPosition(), 1);
        QTest::keyClicks(child<QLineEdit>(panel, "urlLabelEdit"), "q");
        QCOMPARE(two.at(0)->displayName, u"label1"s);
        QCOMPARE(two.at(1)->displayName, u"label2q"s);
    }

    void pickStoresTheItem_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("stored");
        QTest::newRow("English") << kEnglish << "Equal to";
        QTest::newRow("Japanese") << kJapanese << QStringLiteral("右値に等しい");
        QTest::newRow("Chinese") << kSimplifiedChinese << QStringLiteral("等于");
    }

    void pickStoresTheItem()
    {
        QFETCH(int, language);
        QFETCH(QString, stored);
        LanguageScope scope(language);
        RecordedSequence sequence = sequenceOf(3);
        ControlPanel panel(sequence);
        panel.show();
        select(panel, 1);

        child<QComboBox>(panel, "responseConditionBox")
            ->setCurrentIndex(0); // shown only: nothing is stored without a pick
        QTest::keyClick(child<QComboBox>(panel, "responseConditionBox"), Qt::Key_Down);
        QCOMPARE(QString::fromStdU16String(
                     std::u16string(conditionWords(sequence.at(1)->responseCondition))),
                 stored);

        child<QComboBox>(panel, "responseCodeBox")->setCurrentIndex(7); // "403"
        QTest::keyClick(child<QComboBox>(panel, "responseCodeBox"), Qt::Key_Down);
        QCOMPARE(sequence.at(1)->responseCode, 404);
        QCOMPARE(sequence.at(0)->responseCode, 200);
        QCOMPARE(sequence.at(2)->responseCode, 200);
        QCOMPARE(conditionWords(sequence.at(2)->responseCondition), u"Greater than");
    }

    void refillWhileTyping()
    {
        RecordedSequence sequence = sequenceOf(5);
        ControlPanel panel(sequence);
        panel.show();
        select(panel, 1);
        child<QLineEdit>(panel, "urlLabelEdit")->setFocus();
        QTest::keyClick(child<QLineEdit>(panel, "urlLabelEdit"), Qt::Key_End);
        QTest::keyClick(child<QLineEdit>(panel, "urlLabelEdit"), 'x');
        QCOMPARE(sequence.at(1)->displayName, u"label2x"s);

        panel.reloadList(); // the main window finished a page
        QCOMPARE(child<QLineEdit>(panel, "urlLabelEdit")->text(), QStringLiteral("label5"));
        QTest::keyClick(child<QLineEdit>(panel, "urlLabelEdit"), Qt::Key_End);
        QTest::keyClick(child<QLineEdit>(panel, "urlLabelEdit"), 'y');
        QCOMPARE(sequence.at(4)->displayName, u"label5y"s);
        QCOMPARE(sequence.at(1)->displayName, u"label2x"s);
    }

    // Positions beyond 16 bits work.
    void longSequence()
    {
        constexpr int count = 40000;
        RecordedSequence sequence = sequenceOf(count);
        ControlPanel panel(sequence);
        QCOMPARE(panel.selectedPosition(), count - 1);
        QCOMPARE(child<QLineEdit>(panel, "urlLabelEdit")->text(), QStringLiteral("label40000"));
        select(panel, 35000);
        QCOMPARE(child<QLineEdit>(panel, "urlLabelEdit")->text(), QStringLiteral("label35001"));
        QTest::keyClick(urlList(panel), Qt::Key_Delete);
        QCOMPARE(sequence.count(), std::size_t(count - 1));
        QCOMPARE(sequence.at(35000)->displayName, u"label35002"s);
        QCOMPARE(panel.selectedPosition(), 35000);
        QCOMPARE(child<QLineEdit>(panel, "urlLabelEdit")->text(), QStringLiteral("label35002"));
    }
};

QTEST_MAIN(TestControlPanel)
#include "tst_controlpanel.moc"
