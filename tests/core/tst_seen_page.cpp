#include "core/check_suggestion.h"
#include "core/html_text.h"
#include "core/seen_page.h"
#include "core/sequence_undo.h"
#include "core/trial_run_verdict.h"

#include <QStringList>
#include <QTest>

using namespace waytrace;

namespace {

std::u16string number(int value)
{
    const auto text = std::to_string(value);
    return {text.begin(), text.end()};
}

QString q(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

QStringList pairs(const std::vector<OfferedValue>& values)
{
    QStringList out;
    for (const auto& [name, value, target, hidden] : values)
        out << q(name) + u'=' + q(value);
    return out;
}

// A wiki's edit page, as a server renders it: a token in the form and in the logout link.
std::u16string editPage(const std::u16string& token, const std::u16string& date)
{
    return u"<html><head><title>Playground &amp; Sandbox</title><style>p{}</style>"
           u"<script>var x = '<input type=hidden name=fake value=1>';</script></head><body>"
           u"<!-- <input type=hidden name=commented value=1> -->"
           u"<a href='doku.php?id=start&amp;do=logout&amp;sectok=" +
           token +
           u"'>Log out</a><a href=\"doku.php?id=one\">One</a><a href=doku.php?id=two>Two</a>"
           u"<form action=\"doku.php?do=save\" method=post><INPUT TYPE=\"hidden\" name=sectok "
           u"value=\"" +
           token + u"\"><input type=hidden name=date value=" + date +
           u"><input type=hidden name=changecheck value=0cc175b9c0f1b6a831c399e269772661>"
           u"<input name=summary value=\"typed\"><textarea name=wikitext>Gr&#252;&#xDF;e "
           u"&lt;b&gt;</textarea></form><p>Edit the page and save it.</p></body></html>";
}

UrlRecord saveStep(const std::u16string& token)
{
    UrlRecord record;
    record.urlAddress = u"http://wiki.test/doku.php?id=playground";
    record.postBody = u"sectok=" + token +
                      u"&date=1733600000&changecheck=92eb5ffee6ae2fec3ad71c777531578f&id=one"
                      u"&summary=mine&wikitext=Gr%25C3%25BC";
    return record;
}

} // namespace

class TestSeenPage : public QObject
{
    Q_OBJECT

private slots:
    void pagesAreReadAsTheyShow()
    {
        const auto page = readHtml(editPage(u"t1", u"1733600000"));
        QCOMPARE(q(page.title), "Playground & Sandbox");
        QCOMPARE(
            q(page.text),
            QStringLiteral("Log out One Two\nGr\u00fc\u00dfe <b>\nEdit the page and save it."));
        // Hidden inputs and link and action queries; never what a user types, nor what a
        // script or a comment only mentions.
        QCOMPARE(pairs(page.offered),
                 QStringList({"id=start", "do=logout", "sectok=t1", "id=one", "id=two", "do=save",
                              "sectok=t1", "date=1733600000",
                              "changecheck=0cc175b9c0f1b6a831c399e269772661"}));
        QCOMPARE(q(page.offered[2].target), "doku.php?id=start&do=logout&sectok=t1");
        QCOMPARE(q(page.offered[6].target), "doku.php?do=save");
        // Every reference, however written; nothing of templates, noscript or a second title.
        const auto admin = readHtml(
            u"<title>Settings &lsaquo; Blog &#8212; WordPress&NotANamedOne;</title><title>2</title>"
            u"<template><input type=hidden name=t value=1>hidden</template><body>"
            u"<noscript>Enable scripts</noscript><table><tr><td>a&ensp;b<td>c&#x1F600;</table>");
        QCOMPARE(q(admin.title),
                 QStringLiteral("Settings \u2039 Blog \u2014 WordPress&NotANamedOne;"));
        QCOMPARE(q(admin.text), QStringLiteral("a\u2002b c\U0001F600"));
        QVERIFY(admin.offered.empty());
    }

    void differencesAreNamed()
    {
        using Kind = PageDifference::Kind;
        const SeenPage saw =
            seenPageOf(200, u"http://wiki.test/doku.php?id=start&sectok=a", editPage(u"a", u"1"));
        SeenPage got = saw;
        got.finalUrl = u"http://wiki.test/doku.php?id=start&sectok=b#top";
        QVERIFY(comparePages(saw, got).empty()); // a fresh token is the same page
        got = seenPageOf(403, u"http://wiki.test/doku.php?id=start&do=login",
                         u"<title>Security Token did not match</title><p>Security Token did not "
                         u"match. Possible CSRF attack. Please log in again to continue.</p>");
        const auto differences = comparePages(saw, got);
        QCOMPARE(differences.size(), 4U);
        QCOMPARE(differences[0], (PageDifference{Kind::Status, u"200", u"403", 0}));
        QCOMPARE(differences[1].kind, Kind::Address);
        QCOMPARE(differences[2], (PageDifference{Kind::Title, u"Playground & Sandbox",
                                                 u"Security Token did not match", 0}));
        // How much is alike, and the first lines that differ.
        QCOMPARE(differences[3].kind, Kind::Text);
        QCOMPARE(q(differences[3].saw), "Log out One Two");
        QVERIFY(q(differences[3].got).startsWith("Security Token did not match. Possible"));
        QVERIFY(differences[3].alikePercent < 50);
        // A page a script fills has almost no text in what the server sends: not compared.
        got = saw;
        got.fingerprint = textFingerprint(u"Loading...");
        QVERIFY(comparePages(saw, got).empty());
        // Small changes of the text (a date, a counter) are the same page.
        const std::u16string article =
            u"<p>The quick brown fox jumps over the lazy dog while the cat watches from the warm "
            u"window sill and the bird sings a song about spring rain and green fields.</p>";
        QVERIFY(fingerprintSimilarity(
                    textFingerprint(readHtml(article).text),
                    textFingerprint(readHtml(article + u"<p>Seen 3 times").text)) >= kAlikeText);
        // What the page's scripts added to what the user saw (a toolbar, notices, a long list)
        // does not make the server's page another one.
        std::u16string added = article;
        for (int i = 0; i < 200; ++i)
            added += u"<li>Toolbar button " + number(i) + u" of the editor, row " + number(i % 7);
        const auto withScripts = seenPageOf(200, u"", added);
        QVERIFY(comparePages(withScripts, seenPageOf(200, u"", article)).empty());
        const auto refusal = seenPageOf(200, u"",
                                        u"<p>Security Token did not match. Possible "
                                        u"CSRF attack. Please log in again.</p>");
        QCOMPARE(comparePages(withScripts, refusal).size(), 1U);
    }

    // A run flags what its pages now offer otherwise, as a token or a value that changes per
    // visit; the same value, a name links use with many values, and what the user typed are left
    // alone. Where a page offers a name twice, the value that goes to the step's address counts;
    // a token no page offers is flagged by its name.
    void liveValuesFlagWhatChanged()
    {
        LiveValues live;
        const auto flagged = [&live](const UrlRecord& record) {
            QStringList out;
            for (const auto& field : live.staleIn(record))
                out << q(field.name) + u':' + q(field.recorded) + u'>' + q(field.live) + u'@' +
                           (field.offeredBy ? QString::number(*field.offeredBy) : "-") +
                           (field.kind == StaleField::Kind::Token ? "" : " per visit");
            return out;
        };
        QCOMPARE(flagged(saveStep(u"old")), QStringList({"sectok:old>@-", "date:1733600000>@-"}));
        // A short part of a name tells a stamp only as its last word.
        QVERIFY(isPerVisitValue(u"start_date", u"x") && isPerVisitValue(u"PHPSESSID", u"x"));
        QVERIFY(!isPerVisitValue(u"date_format", u"Y-m-d"));
        live.offer(1, readHtml(editPage(u"new", u"1733600099")), u"http://wiki.test/doku.php");
        QCOMPARE(flagged(saveStep(u"old")),
                 QStringList({"sectok:old>new@1", "date:1733600000>1733600099@1",
                              "changecheck:92eb5ffee6ae2fec3ad71c777531578f>"
                              "0cc175b9c0f1b6a831c399e269772661@1 per visit"}));
        live.offer(2, readHtml(editPage(u"old", u"1733600000")), u"http://wiki.test/doku.php");
        QCOMPARE(flagged(saveStep(u"old")).size(), 1);
        UrlRecord logout;
        logout.urlAddress = u"http://wiki.test/doku.php?id=start&do=logout&sectok=x";
        QCOMPARE(flagged(logout), QStringList({"sectok:x>old@2"}));

        live.offer(3,
                   readHtml(u"<form method=post action=options.php>"
                            u"<input type=hidden name=_wpnonce value=a1b2c3d4e5></form>"
                            u"<a href='../wp-login.php?action=logout&amp;"
                            u"_wpnonce=f6e5d4c3b2'>Log out</a>"),
                   u"http://wp.test/wp-admin/options-general.php?page=x#top");
        UrlRecord save;
        save.urlAddress = u"http://wp.test/wp-admin/options.php";
        save.postBody = u"_wpnonce=0000aaaa11&blogname=Mine";
        QCOMPARE(flagged(save), QStringList({"_wpnonce:0000aaaa11>a1b2c3d4e5@3"}));
        for (const auto& [reference, resolved] :
             std::initializer_list<std::pair<std::u16string_view, const char*>>{
                 {u"", "http://h/a/b?q"},
                 {u"?r", "http://h/a/b?r"},
                 {u"/x", "http://h/x"},
                 {u"./../d", "http://h/d"},
                 {u"//o/p", "http://o/p"},
                 {u"https://s/", "https://s/"}})
            QCOMPARE(q(resolvedAddress(u"http://h/a/b?q#f", reference)), resolved);
    }

    // A check tells a step's page from its neighbours' by a phrase the replay also finds: the
    // title where distinctive, else the first line of its own; nothing a script alone showed.
    void checksAreSuggestedFromWhatWasSeen()
    {
        const auto seen = [](const std::u16string& html) { return seenPageOf(200, u"", html); };
        const auto login = seen(u"<title>Shop</title><h1>Sign in</h1><p>Password</p>");
        const auto account = seen(u"<title>Shop</title><h1>Your orders</h1><p>Order 12 shipped "
                                  u"yesterday and is on its way to the address you gave us</p>");
        const auto settings = seen(u"<title>Settings &amp; more</title><p>Saved</p>");
        QCOMPARE(q(suggestedCheck(account, {&login, &settings},
                                  u"<h1>Your orders</h1><p>Order 12 shipped yesterday")),
                 "Your orders");
        // The first line only a script showed is passed over; a long line is cut at a word.
        QCOMPARE(q(suggestedCheck(account, {&login},
                                  u"Order 12 shipped yesterday and is on its "
                                  u"way to the address you gave us")),
                 "Order 12 shipped yesterday and is on its way to the address");
        // The title as the server wrote it is not the title as shown: not suggested.
        QCOMPARE(q(suggestedCheck(settings, {}, u"<title>Settings &amp; more</title>")), "");
        // A line of dashes (an empty choice) says nothing of a page.
        const auto sizes = seen(u"<title>Shop</title><p>---------</p><p>Pick a size</p>");
        QCOMPARE(q(suggestedCheck(sizes, {&login}, u"---------\nPick a size")), "Pick a size");

        RecordedSequence sequence;
        sequence.append(std::make_shared<UrlRecord>());
        sequence.append(std::make_shared<UrlRecord>());
        sequence.at(1)->requiredKeywords = u"mine";
        SequenceUndo undo;
        undo.setRequiredKeywords({{sequence.at(1), u"Your orders"}});
        QCOMPARE(q(sequence.at(1)->requiredKeywords), "Your orders");
        QCOMPARE(undo.undo(sequence), std::optional<std::size_t>(1));
        QCOMPARE(q(sequence.at(1)->requiredKeywords), "mine");
    }
};

QTEST_APPLESS_MAIN(TestSeenPage)
#include "tst_seen_page.moc"
