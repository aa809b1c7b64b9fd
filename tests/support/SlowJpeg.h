#pragma once
// A progressive JPEG made to be slow to decode: a large grey picture, every AC coefficient in a
// band of its own and refined bit by bit, each scan nothing but end-of-band runs. The file stays
// small (one bit per block for the DC scan), yet every scan walks every block of the picture.

#include <QByteArray>

#include <cstdint>

namespace zovtest {

class BitWriter {
public:
    void bits(std::uint32_t value, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = std::uint8_t((m_byte << 1) | ((value >> i) & 1u));
            if (++m_count == 8)
                flushByte();
        }
    }
    // Pads with 1 bits to a whole byte and hands the entropy-coded bytes over.
    QByteArray finish()
    {
        while (m_count != 0)
            bits(1, 1);
        QByteArray out;
        out.swap(m_out);
        return out;
    }

private:
    void flushByte()
    {
        m_out.append(char(m_byte));
        if (m_byte == 0xFF)
            m_out.append('\0'); // a stuffed FF
        m_byte = 0;
        m_count = 0;
    }

    QByteArray m_out;
    std::uint8_t m_byte = 0;
    int m_count = 0;
};

inline QByteArray jpegSegment(std::uint8_t marker, const QByteArray& body)
{
    QByteArray out;
    out.append(char(0xFF)).append(char(marker));
    const int length = int(body.size()) + 2;
    out.append(char(length >> 8)).append(char(length & 0xFF));
    return out + body;
}

// Width x Height pixels; the AC coefficients 1..Bands each first sent at bit Depth, then refined
// down to bit 0: 1 + Bands x (Depth + 1) scans.
inline QByteArray SlowProgressiveJpeg(int width, int height, int bands = 63, int depth = 13)
{
    QByteArray out("\xFF\xD8", 2);
    out += jpegSegment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\x01')); // table 0, all ones
    QByteArray frame;
    frame.append(char(8)).append(char(height >> 8)).append(char(height & 0xFF));
    frame.append(char(width >> 8)).append(char(width & 0xFF));
    frame.append(char(1)).append(char(1)).append(char(0x11)).append(char(0)); // one component
    out += jpegSegment(0xC2, frame);
    // DC table 0: one code "0" for category 0. AC table 0: 4-bit codes for EOB0..EOB14.
    QByteArray dc;
    dc.append(char(0x00));
    dc += QByteArray("\x01", 1) + QByteArray(15, '\0');
    dc.append(char(0x00));
    QByteArray ac;
    ac.append(char(0x10));
    ac += QByteArray(3, '\0') + QByteArray(1, char(15)) + QByteArray(12, '\0');
    for (int run = 0; run <= 14; ++run)
        ac.append(char(run << 4));
    out += jpegSegment(0xC4, dc + ac);

    const std::int64_t blocks = std::int64_t((width + 7) / 8) * ((height + 7) / 8);
    auto scan = [&](int ss, int se, int ah, int al, const QByteArray& data) {
        QByteArray head;
        head.append(char(1)).append(char(1)).append(char(0x00));
        head.append(char(ss)).append(char(se)).append(char((ah << 4) | al));
        out += jpegSegment(0xDA, head) + data;
    };
    BitWriter w;
    for (std::int64_t b = 0; b < blocks; ++b)
        w.bits(0, 1); // DC difference of category 0
    scan(0, 0, 0, 0, w.finish());
    // Nothing but end-of-band runs, each of at most 32767 blocks.
    auto endOfBands = [&] {
        for (std::int64_t left = blocks; left > 0;) {
            const int run = int(left < 32767 ? left : 32767);
            int r = 0;
            while ((2 << r) <= run)
                ++r;
            w.bits(std::uint32_t(r), 4);
            if (r > 0)
                w.bits(std::uint32_t(run - (1 << r)), r);
            left -= run;
        }
        return w.finish();
    };
    for (int k = 1; k <= bands; ++k) {
        scan(k, k, 0, depth, endOfBands());
        for (int al = depth - 1; al >= 0; --al)
            scan(k, k, al + 1, al, endOfBands());
    }
    out.append(char(0xFF)).append(char(0xD9));
    return out;
}

} // namespace zovtest
