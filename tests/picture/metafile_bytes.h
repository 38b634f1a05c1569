#pragma once
// Metafiles byte by byte, for the shapes a writer library would refuse to
// make: records with wrong sizes, counts and offsets.

#include <QByteArray>
#include <QRect>
#include <QtEndian>

#include <cstdint>
#include <vector>

namespace rawmeta {

inline void put32(QByteArray& out, uint32_t value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

inline void put16(QByteArray& out, uint16_t value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

inline void set32(QByteArray& bytes, qsizetype at, uint32_t value)
{
    qToLittleEndian(value, bytes.data() + at);
}

inline void set16(QByteArray& bytes, qsizetype at, uint16_t value)
{
    qToLittleEndian(value, bytes.data() + at);
}

// ---- enhanced metafiles ----

inline QByteArray emfRecord(uint32_t type, const std::vector<uint32_t>& words)
{
    QByteArray record;
    put32(record, type);
    put32(record, uint32_t(8 + 4 * words.size()));
    for (uint32_t word : words)
        put32(record, word);
    return record;
}

// A header for a frame in 0.01 mm on a 96 dpi reference device (960 pixels
// for 254 mm).
inline QByteArray emfHeader(QRect frame)
{
    return emfRecord(1, {0, 0, 100, 100,  // bounds
                         uint32_t(frame.left()), uint32_t(frame.top()), uint32_t(frame.right()),
                         uint32_t(frame.bottom()),
                         0x464D4520, 0x10000, 0, 0, 8, 0, 0, 0,  // signature ... nPalEntries
                         960, 960, 254, 254});
}

inline QByteArray emfEof()
{
    return emfRecord(14, {0, 16, 20});
}

// The frame is 480 x 240 pixels at 96 dpi.
inline QByteArray emfOf(const std::vector<QByteArray>& records, QRect frame = QRect(QPoint(0, 0), QPoint(12700, 6350)))
{
    QByteArray emf = emfHeader(frame);
    for (const QByteArray& record : records)
        emf.append(record);
    emf.append(emfEof());
    set32(emf, 48, uint32_t(emf.size()));            // nBytes
    set32(emf, 52, uint32_t(records.size() + 2));    // nRecords
    return emf;
}

// A red brush selected into slot 1, then the given drawing records.
inline std::vector<QByteArray> emfRedBrushThen(std::vector<QByteArray> drawing)
{
    std::vector<QByteArray> records{
        emfRecord(39, {1, 0, 0x0000FF, 0}),  // CREATEBRUSHINDIRECT: slot 1, solid red
        emfRecord(37, {1}),                  // SELECTOBJECT
        emfRecord(37, {0x80000008}),         // SELECTOBJECT NULL_PEN
    };
    records.insert(records.end(), drawing.begin(), drawing.end());
    return records;
}

inline QByteArray emfRectangle(int left, int top, int right, int bottom)
{
    return emfRecord(43, {uint32_t(left), uint32_t(top), uint32_t(right), uint32_t(bottom)});
}

// ---- Windows metafiles ----

inline QByteArray wmfRecord(uint16_t function, const std::vector<uint16_t>& params)
{
    QByteArray record;
    put32(record, uint32_t(3 + params.size()));
    put16(record, function);
    for (uint16_t param : params)
        put16(record, param);
    return record;
}

// A placeable metafile of bbox (logical units) at unitsPerInch.
inline QByteArray wmfOf(const std::vector<QByteArray>& records, QRect bbox = QRect(0, 0, 480, 240),
                        uint16_t unitsPerInch = 96, bool placeable = true)
{
    QByteArray wmf;
    if (placeable) {
        put32(wmf, 0x9AC6CDD7);
        put16(wmf, 0);
        put16(wmf, uint16_t(bbox.left()));
        put16(wmf, uint16_t(bbox.top()));
        put16(wmf, uint16_t(bbox.left() + bbox.width()));
        put16(wmf, uint16_t(bbox.top() + bbox.height()));
        put16(wmf, unitsPerInch);
        put32(wmf, 0);
        uint16_t checksum = 0;
        for (int i = 0; i < 20; i += 2)
            checksum ^= qFromLittleEndian<uint16_t>(wmf.constData() + i);
        put16(wmf, checksum);
    }
    const qsizetype header = wmf.size();
    put16(wmf, 1);       // in memory
    put16(wmf, 9);       // header words
    put16(wmf, 0x0300);  // version
    put32(wmf, 0);       // file words, set below
    put16(wmf, 8);       // objects
    put32(wmf, 0);       // largest record
    put16(wmf, 0);
    for (const QByteArray& record : records)
        wmf.append(record);
    wmf.append(wmfRecord(0, {}));  // META_EOF
    set32(wmf, header + 6, uint32_t((wmf.size() - header) / 2));
    return wmf;
}

// Bottom, right, top, left: the order Windows metafile records keep.
inline QByteArray wmfRectangle(int left, int top, int right, int bottom)
{
    return wmfRecord(0x041B, {uint16_t(bottom), uint16_t(right), uint16_t(top), uint16_t(left)});
}

inline std::vector<QByteArray> wmfRedBrushThen(std::vector<QByteArray> drawing)
{
    std::vector<QByteArray> records{
        wmfRecord(0x02FC, {0, 0x00FF, 0x0000, 0}),  // CREATEBRUSHINDIRECT: solid red, into slot 0
        wmfRecord(0x012D, {0}),                     // SELECTOBJECT
        wmfRecord(0x02FA, {5, 0, 0, 0, 0}),         // CREATEPENINDIRECT: PS_NULL, slot 1
        wmfRecord(0x012D, {1}),
    };
    records.insert(records.end(), drawing.begin(), drawing.end());
    return records;
}

// Offsets of the records after the header(s).
inline std::vector<qsizetype> emfRecordOffsets(const QByteArray& emf)
{
    std::vector<qsizetype> offsets;
    for (qsizetype at = 0; at + 8 <= emf.size();) {
        offsets.push_back(at);
        const uint32_t size = qFromLittleEndian<uint32_t>(emf.constData() + at + 4);
        if (size < 8)
            break;
        at += size;
    }
    return offsets;
}

}  // namespace rawmeta
