#pragma once
// Metafiles byte by byte, for what a writer library would refuse to make:
// records with wrong sizes, counts and offsets, and single records placed
// through one way of mapping at a time.

#include <QByteArray>
#include <QRect>
#include <QtEndian>

#include <bit>
#include <cstdint>
#include <vector>

namespace rawmeta {

template <class T>
void put(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

inline void set32(QByteArray& bytes, qsizetype at, uint32_t value) { qToLittleEndian(value, bytes.data() + at); }
inline uint32_t floatBits(float value) { return std::bit_cast<uint32_t>(value); }

// ---- enhanced metafiles ----

inline QByteArray emfRecord(uint32_t type, const std::vector<uint32_t>& words)
{
    QByteArray record;
    put(record, type);
    put(record, uint32_t(8 + 4 * words.size()));
    for (uint32_t word : words)
        put(record, word);
    return record;
}

// A frame in 0.01 mm (by default 480 x 240 pixels at 96 dpi), made on a
// reference device of devicePixels for 254 mm (by default 96 dpi), closed
// by an end-of-file record.
inline QByteArray emfOf(const std::vector<QByteArray>& records,
                        QRect frame = QRect(QPoint(0, 0), QPoint(12700, 6350)), uint32_t devicePixels = 960)
{
    QByteArray emf = emfRecord(1, {0, 0, 100, 100,  // bounds
                                   uint32_t(frame.left()), uint32_t(frame.top()), uint32_t(frame.right()),
                                   uint32_t(frame.bottom()), 0x464D4520, 0x10000, 0, 0, 8, 0, 0, 0,
                                   devicePixels, devicePixels, 254, 254});
    for (const QByteArray& record : records)
        emf.append(record);
    emf.append(emfRecord(14, {0, 16, 20}));
    set32(emf, 48, uint32_t(emf.size()));          // nBytes
    set32(emf, 52, uint32_t(records.size() + 2));  // nRecords
    return emf;
}

// A solid red brush selected and no pen, then the given records.
inline std::vector<QByteArray> emfRedBrushThen(std::vector<QByteArray> drawing)
{
    drawing.insert(drawing.begin(), {emfRecord(39, {1, 0, 0x0000FF, 0}), emfRecord(37, {1}),
                                     emfRecord(37, {0x80000008})});
    return drawing;
}

inline QByteArray emfRectangle(int left, int top, int right, int bottom)
{
    return emfRecord(43, {uint32_t(left), uint32_t(top), uint32_t(right), uint32_t(bottom)});
}

// ---- Windows metafiles ----

inline QByteArray wmfRecord(uint16_t function, const std::vector<uint16_t>& params)
{
    QByteArray record;
    put(record, uint32_t(3 + params.size()));
    put(record, function);
    for (uint16_t param : params)
        put(record, param);
    return record;
}

// A placeable metafile of bbox (logical units) at unitsPerInch, or one
// without the placeable header.
inline QByteArray wmfOf(const std::vector<QByteArray>& records, QRect bbox = QRect(0, 0, 480, 240),
                        uint16_t unitsPerInch = 96, bool placeable = true)
{
    QByteArray wmf;
    if (placeable) {
        put(wmf, uint32_t(0x9AC6CDD7));
        for (const int value : {0, bbox.left(), bbox.top(), bbox.left() + bbox.width(), bbox.top() + bbox.height(),
                                int(unitsPerInch), 0, 0})
            put(wmf, uint16_t(value));
        uint16_t checksum = 0;
        for (int i = 0; i < 20; i += 2)
            checksum ^= qFromLittleEndian<uint16_t>(wmf.constData() + i);
        put(wmf, checksum);
    }
    const qsizetype header = wmf.size();
    // In memory, 9 header words, version 3, file size (set below), 8 objects.
    for (const uint16_t word : {1, 9, 0x0300, 0, 0, 8, 0, 0, 0})
        put(wmf, word);
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

// A solid red brush and a null pen selected, then the given records.
inline std::vector<QByteArray> wmfRedBrushThen(std::vector<QByteArray> drawing)
{
    drawing.insert(drawing.begin(), {wmfRecord(0x02FC, {0, 0x00FF, 0x0000, 0}), wmfRecord(0x012D, {0}),
                                     wmfRecord(0x02FA, {5, 0, 0, 0, 0}), wmfRecord(0x012D, {1})});
    return drawing;
}

}  // namespace rawmeta
