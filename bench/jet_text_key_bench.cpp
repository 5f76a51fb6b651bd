// Cost of a Jet 4 text index key: texts of plain small letters, digits and spaces, then French
// texts with capitals, accents, apostrophes and hyphens (refused by a table that lacks them).
// Prints the median over seven rounds of nanoseconds per key for each set.
#include "driver/jet/index/JetIndexText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::vector<std::u16string> kPlain{
    u"pub 12",      u"rue des lilas 4", u"martin",        u"garden 1998",   u"route 66",
    u"la maison",   u"bureau 3",        u"le petit pont", u"maison 2 et 3", u"dupont et fils",
};

const std::vector<std::u16string> kFrench{
    u"Hôtel-Dieu",    u"L'Été indien",      u"Œuvres complètes", u"Saint-Étienne", u"Ça va très bien",
    u"Aujourd'hui",   u"Cœur de Lion",      u"Noël à Besançon",  u"ÉCOLE PRIMAIRE", u"Crème brûlée",
};

// Median nanoseconds per key over seven rounds; how many keys were known in the last round.
double nanosecondsPerKey(const std::vector<std::u16string>& texts, int& known)
{
    constexpr int kRepeats = 20000;
    std::vector<double> rounds;
    std::vector<unsigned char> key;
    for (int round = 0; round < 7; ++round) {
        known = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kRepeats; ++i) {
            for (const std::u16string& text : texts) {
                key.clear();
                known += kervane::jet::appendTextKeyColumn(key, &text, false) ? 1 : 0;
            }
        }
        const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
        rounds.push_back(spent.count() / (static_cast<double>(kRepeats) * static_cast<double>(texts.size())));
    }
    std::nth_element(rounds.begin(), rounds.begin() + 3, rounds.end());
    return rounds[3];
}

}  // namespace

int main()
{
    int known = 0;
    const double plain = nanosecondsPerKey(kPlain, known);
    std::printf("plain texts : %.1f ns per key (%d keys known of %zu)\n", plain, known, 20000 * kPlain.size());
    const double french = nanosecondsPerKey(kFrench, known);
    std::printf("French texts: %.1f ns per key (%d keys known of %zu)\n", french, known, 20000 * kFrench.size());
    return 0;
}
