#include "tools/packer.h"

// The stream's tokens and what each costs in bits (tag bits included):
//   literal            0 + byte                          9
//   long match         1 0 + gamma(high + 2 or 3) + low byte + gamma(length
//                      less what the decoder adds for the offset)
//   repeated offset    1 0 + gamma(2) + gamma(length)    (only after a literal
//                      or a single byte)
//   short match        1 1 0 + byte (offset 1..127, length 2..3)    11
//   single byte        1 1 1 + 4 bits (a byte 1..15 back, or a zero) 7
// The parse walks the input forward keeping, at every position, the few
// cheapest ways found so far to arrive there that differ in what the next
// token can reuse (the last offset, and whether a match came last).

namespace {

const int arrivalsPerPosition = 8;
// A match this long is taken at once and the positions it covers are not
// parsed: the bits a different cut could save there are negligible.
const size_t niceLength = 256;
// Every length up to this is tried for each match; beyond it only the
// whole match, since gamma codes grow by steps of two bits only.
const size_t lengthsTried = 64;
const size_t chainDepth = 2048;

enum TokenKind { Literal, SingleByte, ShortMatch, LongMatch, RepeatMatch };

struct Arrival {
    size_t cost;          // bits from the start of the stream
    size_t lastOffset;    // 0 until a match has set one
    size_t from;          // position this token starts at
    size_t offset;        // of the token: match offset, or single-byte distance
    size_t length;        // bytes the token produces
    int fromSlot;
    int lastWasMatch;
    int kind;
    int used;
};

size_t GammaBits(size_t value)
{
    size_t bits = 0;
    while (value > 1) {
        value >>= 1;
        bits += 2;
    }
    return bits;
}

// What the decoder adds to a long match's stored length for its offset.
size_t LengthBonus(size_t offset)
{
    size_t bonus = 0;
    if (offset >= 32000)
        ++bonus;
    if (offset >= 1280)
        ++bonus;
    if (offset < 128)
        bonus += 2;
    return bonus;
}

size_t LongMatchBits(size_t offset, size_t length, int lastWasMatch)
{
    size_t g = (offset >> 8) + (lastWasMatch ? 2 : 3);
    return 2 + GammaBits(g) + 8 + GammaBits(length - LengthBonus(offset));
}

struct Parse {
    const unsigned char* input;
    size_t length;
    std::vector<Arrival> arrivals;   // arrivalsPerPosition per position

    Arrival* At(size_t position) { return &arrivals[position * arrivalsPerPosition]; }

    void Offer(size_t to, const Arrival& candidate)
    {
        Arrival* slots = At(to);
        // The same state from here on: only the cheaper one can matter.
        for (int i = 0; i < arrivalsPerPosition; ++i) {
            Arrival& slot = slots[i];
            if (slot.used && slot.lastOffset == candidate.lastOffset &&
                slot.lastWasMatch == candidate.lastWasMatch) {
                if (candidate.cost < slot.cost)
                    slot = candidate;
                return;
            }
        }
        int worst = 0;
        for (int i = 0; i < arrivalsPerPosition; ++i) {
            if (!slots[i].used) {
                slots[i] = candidate;
                return;
            }
            if (slots[i].cost > slots[worst].cost)
                worst = i;
        }
        if (candidate.cost < slots[worst].cost)
            slots[worst] = candidate;
    }

    void OfferToken(size_t from, int slot, int kind, size_t offset, size_t length, size_t bits)
    {
        const Arrival& base = At(from)[slot];
        Arrival next;
        next.cost = base.cost + bits;
        next.from = from;
        next.fromSlot = slot;
        next.kind = kind;
        next.offset = offset;
        next.length = length;
        next.used = 1;
        if (kind == Literal || kind == SingleByte) {
            next.lastOffset = base.lastOffset;
            next.lastWasMatch = 0;
        } else {
            next.lastOffset = kind == RepeatMatch ? base.lastOffset : offset;
            next.lastWasMatch = 1;
        }
        Offer(from + length, next);
    }

    size_t MatchLength(size_t position, size_t offset) const
    {
        size_t n = 0;
        while (position + n < length && input[position + n] == input[position + n - offset])
            ++n;
        return n;
    }

    // Lengths worth trying for a match of at most longest bytes.
    static size_t NextLength(size_t current, size_t longest)
    {
        if (current < lengthsTried && current < longest)
            return current + 1;
        return current < longest ? longest : longest + 1;
    }

    void OfferMatch(size_t position, int slot, size_t offset, size_t longest)
    {
        int lastWasMatch = At(position)[slot].lastWasMatch;
        for (size_t n = 2; n <= longest; n = NextLength(n, longest)) {
            if (offset < 128 && n <= 3)
                OfferToken(position, slot, ShortMatch, offset, n, 11);
            if (n >= 2 + LengthBonus(offset))
                OfferToken(position, slot, LongMatch, offset, n,
                           LongMatchBits(offset, n, lastWasMatch));
        }
    }

    void Run(std::vector<Arrival>* path);
};

void Parse::Run(std::vector<Arrival>* path)
{
    arrivals.assign((length + 1) * arrivalsPerPosition, Arrival());
    Arrival first = {};
    first.cost = 8;
    first.kind = Literal;
    first.length = 1;
    first.fromSlot = -1;
    first.used = 1;
    At(1)[0] = first;

    // Chains of earlier positions by their first two bytes, newest first.
    // The table of chain heads is kept between calls and only the entries
    // this input touched are cleared at the end: filling all 65,536 of them
    // anew would cost more than parsing a short input.
    static std::vector<size_t> head(65536, (size_t)-1);
    std::vector<size_t> previous(length, (size_t)-1);
    if (length >= 2) {
        size_t key0 = (size_t)input[0] << 8 | input[1];
        head[key0] = 0;
    }

    std::vector<size_t> offsets;
    std::vector<size_t> longests;
    size_t skipUntil = 0;
    for (size_t p = 1; p < length; ++p) {
        // p joins its chain after the search, so it never finds itself.
        size_t key = p + 1 < length ? ((size_t)input[p] << 8 | input[p + 1]) : (size_t)-1;
        if (p < skipUntil) {
            if (key != (size_t)-1) {
                previous[p] = head[key];
                head[key] = p;
            }
            continue;
        }

        offsets.clear();
        longests.clear();
        if (key != (size_t)-1) {
            size_t best = 1;
            size_t depth = 0;
            for (size_t j = head[key]; j != (size_t)-1 && depth < chainDepth;
                 j = previous[j], ++depth) {
                size_t n = MatchLength(p, p - j);
                if (n > best) {
                    offsets.push_back(p - j);
                    longests.push_back(n);
                    best = n;
                    if (n >= niceLength || p + n == length)
                        break;
                }
            }
            previous[p] = head[key];
            head[key] = p;
        }

        Arrival* slots = At(p);
        unsigned char byte = input[p];
        size_t near = 0;
        for (size_t d = 1; d <= 15 && d <= p; ++d)
            if (input[p - d] == byte) {
                near = d;
                break;
            }
        for (int s = 0; s < arrivalsPerPosition; ++s) {
            if (!slots[s].used)
                continue;
            OfferToken(p, s, Literal, 0, 1, 9);
            if (byte == 0 || near)
                OfferToken(p, s, SingleByte, byte == 0 ? 0 : near, 1, 7);
            size_t last = slots[s].lastOffset;
            if (!slots[s].lastWasMatch && last && last <= p) {
                size_t longest = MatchLength(p, last);
                for (size_t n = 2; n <= longest; n = NextLength(n, longest))
                    OfferToken(p, s, RepeatMatch, last, n, 4 + GammaBits(n));
            }
            for (size_t m = 0; m < offsets.size(); ++m)
                OfferMatch(p, s, offsets[m], longests[m]);
        }
        if (!longests.empty() && longests.back() >= niceLength)
            skipUntil = p + longests.back();
    }

    for (size_t p = 0; p + 1 < length; ++p)
        head[(size_t)input[p] << 8 | input[p + 1]] = (size_t)-1;

    // The cheapest arrival at the end, then back to the start.
    Arrival* ends = At(length);
    int bestSlot = -1;
    for (int s = 0; s < arrivalsPerPosition; ++s)
        if (ends[s].used && (bestSlot < 0 || ends[s].cost < ends[bestSlot].cost))
            bestSlot = s;
    path->clear();
    size_t position = length;
    int slot = bestSlot;
    while (position > 1) {
        const Arrival& step = At(position)[slot];
        path->push_back(step);
        position = step.from;
        slot = step.fromSlot;
    }
}

struct BitWriter {
    std::vector<unsigned char>* out;
    size_t tagAt;
    int bitsLeft;

    void Byte(unsigned value) { out->push_back((unsigned char)value); }

    // A tag byte takes its place in the stream when its first bit is
    // written, which is where the decoder fetches it.
    void Bit(unsigned bit)
    {
        if (bitsLeft == 0) {
            tagAt = out->size();
            out->push_back(0);
            bitsLeft = 8;
        }
        --bitsLeft;
        if (bit)
            (*out)[tagAt] |= (unsigned char)(1u << bitsLeft);
    }

    void Gamma(size_t value)
    {
        int top = 0;
        while ((value >> (top + 1)) != 0)
            ++top;
        for (int i = top - 1; i >= 0; --i) {
            Bit((unsigned)(value >> i) & 1);
            Bit(i > 0);
        }
    }
};

}  // namespace

void PackBytes(const unsigned char* input, size_t length, std::vector<unsigned char>* packed)
{
    packed->clear();
    if (length == 0)
        return;
    Parse parse;
    parse.input = input;
    parse.length = length;
    std::vector<Arrival> path;
    parse.Run(&path);

    BitWriter writer = {packed, 0, 0};
    writer.Byte(input[0]);
    int lastWasMatch = 0;
    size_t position = 1;
    for (size_t i = path.size(); i-- > 0;) {
        const Arrival& token = path[i];
        switch (token.kind) {
        case Literal:
            writer.Bit(0);
            writer.Byte(input[position]);
            break;
        case SingleByte:
            writer.Bit(1);
            writer.Bit(1);
            writer.Bit(1);
            for (int b = 3; b >= 0; --b)
                writer.Bit((unsigned)(token.offset >> b) & 1);
            break;
        case ShortMatch:
            writer.Bit(1);
            writer.Bit(1);
            writer.Bit(0);
            writer.Byte((unsigned)(token.offset << 1 | (token.length - 2)));
            break;
        case LongMatch:
            writer.Bit(1);
            writer.Bit(0);
            writer.Gamma((token.offset >> 8) + (lastWasMatch ? 2 : 3));
            writer.Byte((unsigned)(token.offset & 0xFF));
            writer.Gamma(token.length - LengthBonus(token.offset));
            break;
        case RepeatMatch:
            writer.Bit(1);
            writer.Bit(0);
            writer.Gamma(2);
            writer.Gamma(token.length);
            break;
        }
        lastWasMatch = token.kind == ShortMatch || token.kind == LongMatch ||
                       token.kind == RepeatMatch;
        position += token.length;
    }
    // The end token: a short match with offset 0.
    writer.Bit(1);
    writer.Bit(1);
    writer.Bit(0);
    writer.Byte(0);
}
