// Finding places to board as people type their names.

#include "gtfs_import/queries/stop_search.h"

#include <gtest/gtest.h>

namespace kvapomer::gtfs {
namespace {

using Ids = std::vector<std::string>;

// Each place as its id, then its platforms' ids.
Ids placeIds(const std::vector<const StopPlace*>& places) {
    Ids result;
    for (const StopPlace* p : places) {
        result.push_back(p->stop->id);
        for (const Stop* platform : p->platforms) {
            result.push_back("  " + platform->id);
        }
    }
    return result;
}

TEST(StopSearch, FoldsCaseAndDiacritics) {
    const struct {
        const char* text;
        const char* folded;
    } cases[] = {
        {"Kačerov", "kacerov"},
        {"SPOŘILOV, sídliště", "sporilov sidliste"},
        {"Žďár nad Sázavou – Ústí", "zdar nad sazavou usti"},
        {"Ľubochňa Ŕ Ô Ä", "lubochna r o a"},
        {"Łódź Wrocław Główny ŚWIĘTOKRZYSKA", "lodz wroclaw glowny swietokrzyska"},
        {"Schloßstraße GROẞ Übersee", "schlossstrasse gross ubersee"},
        {"Æbeltoft Øresund Œuvre Győr Ștefan", "aebeltoft oresund oeuvre gyor stefan"},
        {"c\u030Ceske\u0301", "ceske"}, // decomposed: base letters and combining marks
        {"МОСКВА Αθήνα", "москва αθηνα"},
        {"  --14. října--  ", "14 rijna"},
        {"a\xFF\xC3z", "a z"}, // bytes that are no UTF-8
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(foldForSearch(c.text), c.folded) << c.text;
    }
}

TEST(StopSearch, FindsBoardablePlacesWithTheirPlatforms) {
    const Feed feed(FeedSource::open(KVAPOMER_GTFS_DATA "/city"));
    const StopIndex index(feed.stops());
    EXPECT_EQ(placeIds(index.find("kacerov")), (Ids{"KAC", "  KAC_A", "  KAC_B"}));
    EXPECT_EQ(placeIds(index.find("kač")), (Ids{"KAC", "  KAC_A", "  KAC_B"}));
    EXPECT_EQ(placeIds(index.find("SPOŘ")), (Ids{"SPO", "SPV"}));
    EXPECT_EQ(placeIds(index.find("sporilov")), (Ids{"SPO", "SPV"}));
    EXPECT_EQ(placeIds(index.find("SIDLISTE sporil")), Ids{"SPO"});
    // The station's entrance, generic node and boarding area are no places.
    EXPECT_EQ(placeIds(index.find("zelivskeho")), (Ids{"ZEL", "  ZEL_A"}));
    EXPECT_EQ(placeIds(index.find("vinohradska")), Ids{});
    EXPECT_EQ(placeIds(index.find("")),
              (Ids{"KAC", "  KAC_A", "  KAC_B", "ROZ", "ROZ2", "SPO", "SPV", "ZEL", "  ZEL_A"}));

    EXPECT_EQ(placeIds(index.named("ROZTYLY")), (Ids{"ROZ", "ROZ2"}));
    EXPECT_EQ(placeIds(index.named("kacerov")), (Ids{"KAC", "  KAC_A", "  KAC_B"}));
    EXPECT_EQ(placeIds(index.named("Kačer")), Ids{});
}

TEST(StopSearch, RanksNameStartsFirst) {
    const std::vector<Stop> stops{
        {"N", "Nekačerov", "", "", false, 0, ""},
        {"H", "Hlavní nádraží", "", "", true, 1, ""},
        {"H1", "Wilsonova", "H", "1", false, 0, ""}, // a platform of its own name
        {"K2", "Kačerovská", "", "", false, 0, ""},
        {"D", "Nádraží Kačerov", "", "", false, 0, ""},
        {"K", "Kačerov", "", "", false, 0, ""},
        {"X", "Kačerov", "GONE", "", false, 0, ""}, // its station is not in the feed
        {"E", "Kačerov", "H", "", false, 2, ""},
    };
    const StopIndex index(stops);
    EXPECT_EQ(placeIds(index.find("Kacerov")), (Ids{"K", "X", "K2", "D", "N"}));
    EXPECT_EQ(placeIds(index.find("wilson")), (Ids{"H", "  H1"}));
    EXPECT_EQ(index.placeOf(stops[2]), index.find("hlavni").front());
    EXPECT_EQ(index.placeOf(stops[7]), nullptr);
}

} // namespace
} // namespace kvapomer::gtfs
