#pragma once

// A sequence file as File > Save to File writes it, for tests that hand one to a tool.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

// One record with a new record's values.
inline QJsonObject sequenceRecord(const QString& address, const char* method = "G",
                                  const QString& body = {}, const QString& headers = {})
{
    return {{"urladdress", address},
            {"displayname", ""},
            {"url", ""},
            {"httpmethod", method},
            {"querystring", body},
            {"headers", headers},
            {"matchcontent", ""},
            {"unavailabilitystring", ""},
            {"httpcondition", "Greater than"},
            {"httpvalue", 200},
            {"username", ""},
            {"password", ""}};
}

inline QByteArray sequenceFile(const QJsonArray& records)
{
    return QJsonDocument(QJsonObject{{"format", "waytrace-sequence"},
                                     {"version", 1},
                                     {"passwords", true},
                                     {"records", records}})
        .toJson();
}
