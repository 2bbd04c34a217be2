#include "core/Random.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(RandomTest, GeneratorSequenceFromStateZero) {
    lang::seed(0);
    EXPECT_EQ(lang::rand15(), 38);
    EXPECT_EQ(lang::rand15(), 7719);
}

TEST(RandomTest, SeedBeforeFirstRandomIsKeptAndReplays) {
    std::vector<double> first, second;
    for (auto* out : {&first, &second}) {
        // A fresh thread each time: its first random() must not reseed.
        std::thread([out] {
            lang::seed(12345);
            for (int i = 0; i < 5; ++i)
                out->push_back(lang::random());
        }).join();
    }
    EXPECT_EQ(first, second);
    lang::seed(12345);
    EXPECT_EQ(lang::random(), first[0]);
}

TEST(RandomTest, ValuesStayBelowOne) {
    lang::seed(0);
    double largest = 0;
    // The 15-bit output takes every value within one period of the state.
    for (int i = 0; i < 1 << 17; ++i) {
        double r = lang::random();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        largest = std::max(largest, r);
    }
    EXPECT_EQ(largest, 32767.0 / 32768.0);
}

TEST(RandomTest, ThreadsHaveTheirOwnState) {
    lang::seed(0);
    int otherFirst = -1;
    std::thread([&] {
        lang::seed(0);
        lang::rand15();
        otherFirst = lang::rand15();
    }).join();
    EXPECT_EQ(otherFirst, 7719);
    EXPECT_EQ(lang::rand15(), 38); // untouched by the other thread
}
