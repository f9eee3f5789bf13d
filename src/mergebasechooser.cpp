#include "mergebasechooser.h"

#include <QCryptographicHash>
#include <QHash>

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// A version's lines as a sorted list of their hashes, repeats kept: enough to tell
// which lines were added or removed, and cheap for long lists.
using Lines = std::vector<std::size_t>;

std::size_t lineHash(const QByteArray &bytes, int start, int end)
{
    return std::hash<std::string_view>()(std::string_view(bytes.constData() + start, std::size_t(end - start)));
}

// Sorted by their bits, eleven at a time: a merge sorts long lists several times.
void radixSort(Lines *lines)
{
    const int digitBits = 11;
    const std::size_t digitMask = (1 << digitBits) - 1;
    Lines sorted(lines->size());
    for (int shift = 0; shift < 64; shift += digitBits) {
        std::vector<std::size_t> starts(digitMask + 2, 0);
        for (std::size_t line : *lines)
            ++starts[((line >> shift) & digitMask) + 1];
        std::partial_sum(starts.begin(), starts.end(), starts.begin());
        for (std::size_t line : *lines)
            sorted[starts[(line >> shift) & digitMask]++] = line;
        lines->swap(sorted);
    }
}

Lines sortedLines(const QByteArray &bytes)
{
    Lines lines;
    lines.reserve(bytes.count('\n') + 1);
    int start = 0;
    for (int end; (end = bytes.indexOf('\n', start)) >= 0; start = end + 1)
        lines.push_back(lineHash(bytes, start, end));
    lines.push_back(lineHash(bytes, start, bytes.size()));
    radixSort(&lines);
    return lines;
}

// How many times line stands in lines from at on, moving at past them; the lines
// before it must be smaller.
int take(const Lines &lines, std::size_t *at, std::size_t line)
{
    while (*at < lines.size() && lines[*at] < line)
        ++*at;
    const std::size_t first = *at;
    while (*at < lines.size() && lines[*at] == line)
        ++*at;
    return int(*at - first);
}

// Lines of the base to leave out, by hash: how many of their last repeats.
using Omitted = QHash<std::size_t, int>;

// Whether a side that holds anchor can have gone on to candidate: it must not hold
// more of a line than the versions since removed. Lines added since that the side
// lacks may never have reached it, so they are left out of the base.
bool fitsSide(const Lines &candidate, const Lines &anchor, const Lines &side, Omitted *omitted)
{
    std::size_t inCandidate = 0, inAnchor = 0, inSide = 0;
    while (inCandidate < candidate.size() || inAnchor < anchor.size()) {
        const std::size_t line = inAnchor == anchor.size() ? candidate[inCandidate]
                                 : inCandidate == candidate.size() ? anchor[inAnchor]
                                 : qMin(candidate[inCandidate], anchor[inAnchor]);
        const int now = take(candidate, &inCandidate, line);
        const int then = take(anchor, &inAnchor, line);
        if (now == then)
            continue;
        const int held = take(side, &inSide, line);
        if (now < then && held > now)
            return false;
        if (now > then && held < now) {
            int &count = (*omitted)[line];
            count = qMax(count, now - qMax(held, then));
        }
    }
    return true;
}

// What the side holds of what the step into candidate removed tells, besides the
// lines removed since the anchor, that the side did not take it.
template<typename ReadLines>
bool takesLastStep(int candidate, int anchor, const Lines &side, const ReadLines &readLines)
{
    const Lines *before = nullptr;
    const Lines *after = nullptr;
    Omitted unused;
    return candidate - 1 <= anchor || !readLines(candidate - 1, &before) || !readLines(candidate, &after)
           || fitsSide(*after, *before, side, &unused);
}

bool sharesAny(const Lines &lines, const Omitted &omitted)
{
    return std::any_of(lines.cbegin(), lines.cend(), [&omitted](std::size_t line) { return omitted.contains(line); });
}

// The last repeats go first, the lines' order stays.
QByteArray withoutOmitted(const QByteArray &bytes, Omitted omitted)
{
    if (omitted.isEmpty())
        return bytes;
    QVector<int> starts {0};
    for (int at = 0; (at = bytes.indexOf('\n', at)) >= 0; ++at)
        starts << at + 1;
    auto endOf = [&](int i) { return i + 1 < starts.size() ? starts.at(i + 1) - 1 : bytes.size(); };
    QVector<bool> dropped(starts.size(), false);
    for (int i = starts.size() - 1; i >= 0; --i) {
        const auto count = omitted.find(lineHash(bytes, starts.at(i), endOf(i)));
        if (count != omitted.end() && *count > 0) {
            --*count;
            dropped[i] = true;
        }
    }
    QByteArray kept;
    kept.reserve(bytes.size());
    bool first = true;
    for (int i = 0; i < starts.size(); ++i) {
        if (dropped.at(i))
            continue;
        if (!first)
            kept += '\n';
        kept.append(bytes.constData() + starts.at(i), endOf(i) - starts.at(i));
        first = false;
    }
    return kept;
}

// What is known of one side: the versions it holds for certain, and which versions
// its times rule out.
struct Side
{
    const MergeSide side;
    Lines lines;
    std::vector<bool> holds;
    bool holdsOldest;

    Side(const MergeSide &side, const QVector<KnownVersion> &versions)
        : side(side)
        , lines(sortedLines(side.bytes))
        , holds(versions.size(), false)
    {
        // Hashed only where a version's size says it may be the same.
        const bool sizeMatches = std::any_of(versions.cbegin(), versions.cend(), [&side](const KnownVersion &version) {
            return version.size == side.bytes.size();
        });
        const QByteArray hash = sizeMatches ? QCryptographicHash::hash(side.bytes, QCryptographicHash::Sha1) : QByteArray();
        // A version this machine wrote over another came from it.
        for (int i = versions.size() - 1; i >= 0; --i) {
            holds[i] = (sizeMatches && versions.at(i).hash == hash)
                       || (i + 1 < versions.size() && holds[i + 1] && versions.at(i + 1).writtenOverPrevious);
        }
        holdsOldest = !versions.isEmpty() && (holds[0] || mayFollow(versions.at(0)));
    }

    // A side written or come here before this machine first saw a version did not go
    // on from it.
    bool mayFollow(const KnownVersion &version) const
    {
        return side.written + mergeClockTolerance >= version.seen
               && side.arrived + mergeClockTolerance >= version.seen;
    }

    // The newest version up to candidate that the side is known to hold, or -1.
    int anchorFor(int candidate) const
    {
        for (int i = candidate; i > 0; --i) {
            if (holds[i])
                return i;
        }
        return holdsOldest ? 0 : -1;
    }
};

} // namespace

struct MergeBaseChooser::Cache
{
    std::unordered_map<int, QByteArray> bytes;
    std::unordered_map<int, Lines> lines;
    std::unique_ptr<Side> file;
};

MergeBaseChooser::MergeBaseChooser(const QVector<KnownVersion> &versions,
                                   const std::function<bool(int, QByteArray *)> &readVersion,
                                   const MergeSide &file)
    : versions(versions)
    , readVersion(readVersion)
    , cache(new Cache)
{
    cache->file.reset(new Side(file, versions));
}

MergeBaseChooser::~MergeBaseChooser() = default;

MergeBase MergeBaseChooser::choose(const MergeSide &copy, QByteArray *base)
{
    auto readLines = [this](int i, const Lines **out) {
        auto found = cache->lines.find(i);
        if (found == cache->lines.end()) {
            QByteArray read;
            if (!readVersion(i, &read))
                return false;
            cache->bytes.emplace(i, read);
            found = cache->lines.emplace(i, sortedLines(read)).first;
        }
        *out = &found->second;
        return true;
    };
    const Lines nothing;
    const Side copySide(copy, versions);
    const Side *sides[] = {&copySide, cache->file.get()};
    for (int candidate = versions.size() - 1; candidate >= 0; --candidate) {
        auto ruledOut = [&](const Side *side) {
            return !side->holds[candidate] && !side->mayFollow(versions.at(candidate));
        };
        const Lines *candidateLines = nullptr;
        if (std::any_of(std::begin(sides), std::end(sides), ruledOut) || !readLines(candidate, &candidateLines))
            continue;
        bool fits = true;
        bool anchored = false;
        Omitted omitted;
        for (const Side *side : sides) {
            if (side->holds[candidate]) {
                anchored = true;
                continue;
            }
            int anchor = side->anchorFor(candidate);
            const Lines *anchorLines = &nothing;
            if (anchor >= 0 && !readLines(anchor, &anchorLines))
                anchor = -1;
            anchored = anchored || anchor >= 0;
            if (!fitsSide(*candidateLines, anchor >= 0 ? *anchorLines : nothing, side->lines, &omitted)
                    || !takesLastStep(candidate, anchor, side->lines, readLines)) {
                fits = false;
                break;
            }
        }
        if (!fits)
            continue;
        if (!anchored)
            return MergeBase::None;
        *base = withoutOmitted(cache->bytes.at(candidate), omitted);
        // Lines this machine added by its own writes since it last read the file may
        // never have left it; the others came from elsewhere.
        int lastRead = candidate;
        while (lastRead > 0 && versions.at(lastRead).writtenOverPrevious)
            --lastRead;
        const Lines *lastReadLines = nullptr;
        if (!omitted.isEmpty() && (!readLines(lastRead, &lastReadLines) || sharesAny(*lastReadLines, omitted)))
            return MergeBase::Doubtful;
        return MergeBase::Sure;
    }
    return MergeBase::None;
}
