#include "core/html_text.h"
#include "core/seen_page.h"
#include "core/trial_run_verdict.h"

#include <QStringList>
#include <QTest>

using namespace waytrace;

namespace {

QString q(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

QStringList pairs(const std::vector<OfferedValue>& values)
{
    QStringList out;
    for (const auto& [name, value] : values)
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
        const auto page = editPage(u"t1", u"1733600000");
        QCOMPARE(q(htmlTitle(page)), "Playground & Sandbox");
        QCOMPARE(q(visibleText(page)),
                 QStringLiteral("Log out One Two Gr\u00fc\u00dfe <b> Edit the page and save it."));
        // Hidden inputs and link and action queries; never what a user types, nor what a
        // script or a comment only mentions.
        QCOMPARE(pairs(offeredValues(page)),
                 QStringList({"id=start", "do=logout", "sectok=t1", "id=one", "id=two", "do=save",
                              "sectok=t1", "date=1733600000",
                              "changecheck=0cc175b9c0f1b6a831c399e269772661"}));
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
        QCOMPARE(differences[0], (PageDifference{Kind::Status, u"200", u"403"}));
        QCOMPARE(differences[1].kind, Kind::Address);
        QCOMPARE(differences[2], (PageDifference{Kind::Title, u"Playground & Sandbox",
                                                 u"Security Token did not match"}));
        QCOMPARE(differences[3].kind, Kind::Text);
        // A page a script fills has almost no text in what the server sends: not compared.
        got = saw;
        got.fingerprint = textFingerprint(u"Loading...");
        QVERIFY(comparePages(saw, got).empty());
        // Small changes of the text (a date, a counter) are the same page.
        const std::u16string article =
            u"<p>The quick brown fox jumps over the lazy dog while the cat watches from the warm "
            u"window sill and the bird sings a song about spring rain and green fields.</p>";
        QVERIFY(fingerprintSimilarity(textFingerprint(visibleText(article)),
                                      textFingerprint(visibleText(article + u"<p>Seen 3 times"))) >=
                kAlikeText);
    }

    // A run flags what its pages now offer otherwise, if the name or value is per-visit; the
    // same value, a hash the server ignores, a name links use with many values, and what the
    // user typed are left alone.
    void liveValuesFlagWhatChanged()
    {
        LiveValues live;
        QVERIFY(live.staleIn(saveStep(u"old")).empty());
        live.offer(1, editPage(u"new", u"1733600099"));
        QStringList flagged;
        for (const auto& field : live.staleIn(saveStep(u"old")))
            flagged << q(field.name) + u':' + q(field.recorded) + u'>' + q(field.live) + u'@' +
                           QString::number(field.offeredBy);
        QCOMPARE(flagged, QStringList({"sectok:old>new@1", "date:1733600000>1733600099@1"}));
        live.offer(2, editPage(u"old", u"1733600000"));
        QVERIFY(live.staleIn(saveStep(u"old")).empty());
        UrlRecord logout;
        logout.urlAddress = u"http://wiki.test/doku.php?id=start&do=logout&sectok=x";
        QCOMPARE(live.staleIn(logout).size(), 1U);
    }
};

QTEST_APPLESS_MAIN(TestSeenPage)
#include "tst_seen_page.moc"
