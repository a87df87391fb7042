#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <vector>

// Writes one JSON document to a stream as it goes, so that a dump of
// millions of trace headers never has to sit in memory. Containers are
// laid out one member per line, indented, unless opened as compact, in
// which case they (and everything inside them) stay on one line. Keys
// keep the order in which they are written.
struct FieldValue;

class JsonWriter
{
public:
    explicit JsonWriter(FILE* stream);
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    void beginObject(bool compact = false);
    void endObject();
    void beginArray(bool compact = false);
    void endArray();

    // A member name inside an object; its value follows.
    void key(const QString& name);
    void key(const QByteArray& utf8Name);

    void value(qint64 number);
    void value(const QString& text);
    void value(const QByteArray& utf8Text);
    void null();
    // A number with a fixed count of decimals (locale-independent); null
    // for one that is not finite.
    void decimal(double number, int decimals);
    // A header field's value: a number (null for a float that is not
    // finite), or a string for a text field.
    void fieldValue(const FieldValue& value);
    // A member name and its value.
    template <typename T>
    void member(const char* name, const T& v)
    {
        key(QByteArray(name));
        value(v);
    }

    // Ends the document with a line feed and hands everything to the stream.
    void finish();

private:
    void beginValue();
    void open(char bracket, bool compact);
    void close(char bracket);
    void newLine();
    void putString(const char* data, int size);
    void put(char c)
    {
        m_buffer.push_back(c);
    }
    void put(const char* data, size_t size) { m_buffer.insert(m_buffer.end(), data, data + size); }
    void flushIfFull();
    void flush();

    struct Level {
        bool compact;
        bool empty;
    };

    FILE* m_stream;
    std::vector<char> m_buffer;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
};
