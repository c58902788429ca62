// What every instrument's engine shares: the one monotonic clock the samples
// are timed on, the sample handed to whoever listens, and the listener list.
// Qt Core only.
#pragma once

#include <QtGlobal>

#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace engine {

// Microseconds on the process's one monotonic clock, counted from its first
// use. Every sample, gap and recording start is timed on it, so that times
// taken by different parts of the program compare directly, and none goes
// back when the system clock is set.
qint64 nowUs();

// One accepted sample of an instrument, timed when it was measured.
struct Sample {
    qint64 atUs = 0;
    double volts = 0;
    double amps = 0;
    double watts = 0;
};

// Whoever listens to an instrument: each accepted answer, and each time the
// instrument went away (a gap: nothing is measured until it is back).
template <typename Answer> struct Listener {
    std::function<void(const Answer &)> answer;
    std::function<void(qint64 atUs)> gap;
};

// The listeners of one engine, called in the order they were added. A
// listener may remove itself (or another) while it is called.
template <typename Answer> class Listeners {
public:
    int add(Listener<Answer> listener)
    {
        // Added while the list is being called: joins it afterwards, so that
        // the listener being called is not moved under its own feet.
        (mDepth ? mPending : mList).emplace_back(mNextId, std::move(listener));
        return mNextId++;
    }
    void remove(int id)
    {
        for (auto *list : {&mList, &mPending}) {
            for (auto &entry : *list) {
                if (entry.first == id)
                    entry.first = 0; // dropped after the current hand-over
            }
        }
        if (mDepth == 0)
            compact();
    }
    bool isEmpty() const
    {
        for (const auto *list : {&mList, &mPending}) {
            for (const auto &entry : *list) {
                if (entry.first != 0)
                    return false;
            }
        }
        return true;
    }
    void answer(const Answer &a)
    {
        each([&a](Listener<Answer> &l) {
            if (l.answer)
                l.answer(a);
        });
    }
    void gap(qint64 atUs)
    {
        each([atUs](Listener<Answer> &l) {
            if (l.gap)
                l.gap(atUs);
        });
    }

private:
    template <typename F> void each(F f)
    {
        ++mDepth;
        for (size_t k = 0; k < mList.size(); ++k) {
            if (mList[k].first != 0)
                f(mList[k].second);
        }
        if (--mDepth == 0)
            compact();
    }
    void compact()
    {
        std::vector<std::pair<int, Listener<Answer>>> kept;
        for (auto *list : {&mList, &mPending}) {
            for (auto &entry : *list) {
                if (entry.first != 0)
                    kept.push_back(std::move(entry));
            }
        }
        mList.swap(kept);
        mPending.clear();
    }

    std::vector<std::pair<int, Listener<Answer>>> mList;
    std::vector<std::pair<int, Listener<Answer>>> mPending;
    int mNextId = 1;
    int mDepth = 0;
};

} // namespace engine
