#pragma once

// An empty temporary HOME for the length of a test run: whatever the engine, Qt, Mesa or the
// stand-in server write into a user's home shows up in it.

#include <QByteArray>
#include <QDirIterator>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

class EmptyHome
{
public:
    EmptyHome()
    {
        qputenv("HOME", home_.path().toLocal8Bit());
        for (const char* name :
             {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
            qunsetenv(name);
    }

    // The test's status, made a failure when anything was written under HOME.
    [[nodiscard]] int check(int status) const
    {
        QStringList written;
        QDirIterator it(home_.path(),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            written.append(it.next());
        if (written.isEmpty())
            return status;
        std::fprintf(stderr, "FAIL: written under HOME:\n%s\n", qPrintable(written.join(u'\n')));
        return status ? status : 1;
    }

private:
    QTemporaryDir home_;
};
