// Gathering a reply that spans several input reports (LongReplyGatherer): whatever reports the
// device sends, the gathering keeps to its room, stops by the rules of its kind, and what it
// finds is a complete, checked frame made of the reports it took.
//
// Input: the first byte picks the kind (information or picture reply) and the picture format;
// then each read is one length byte (0: the read timed out, else how many bytes arrived, at most
// 64) followed by that many bytes.

#include "device/frame.h"
#include "fuzz/fuzzsupport.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 65536)
        return 0;
    const bool info = (data[0] & 1) != 0;
    const int format = (data[0] >> 1) % 4;
    LongReplyGatherer gatherer(info ? LongReply::DeviceInfo : LongReply::Picture, format);
    const int capacity = info ? 512 : (format == 1 ? 1280 : 768);

    QByteArray taken; // the report bytes after the report id, as the gathering keeps them
    size_t position = 1;
    int misses = 0;
    bool wanted = true;
    while (wanted && position < size) {
        const int announced = int(data[position]) % 65;
        ++position;
        const int count = std::min(announced, int(size - position));
        if (count == 0) {
            wanted = gatherer.take(nullptr, 0);
            // Six time-outs in a row and more end any gathering.
            misses = gatherer.started() || wanted ? misses + 1 : misses;
            FUZZ_CHECK(misses <= 7);
            continue;
        }
        misses = 0;
        const quint8 *report = data + position;
        const bool startsReply = count >= 2 && report[0] == HidReportId && report[1] == FrameStart;
        // Once the reply has started, every report that still fits whole is kept.
        const bool kept = (gatherer.started() || startsReply)
                          && taken.size() + HidReportSize - 1 <= capacity;
        wanted = gatherer.take(report, count);
        if (kept) {
            QByteArray bytes(HidReportSize - 1, '\0');
            std::copy(report + 1, report + count, bytes.begin());
            taken.append(bytes);
        }
        position += size_t(count);
    }
    FUZZ_CHECK(taken.size() <= capacity);

    const QByteArray frame = gatherer.frame();
    if (frame.isEmpty())
        return 0;
    FUZZ_CHECK(gatherer.started());
    FUZZ_CHECK(taken.contains(frame));
    FUZZ_CHECK(extractFrame(frame) == frame);
    FUZZ_CHECK(frame.size() >= FrameOverhead && frame.size() <= capacity);
    if (info)
        FUZZ_CHECK(gatherer.reports() >= 1);
    else
        FUZZ_CHECK(gatherer.reports() == 9 || gatherer.reports() == 17);
    return 0;
}
