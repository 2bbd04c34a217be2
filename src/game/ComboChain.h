#pragma once

namespace ripple {

// The run of same-coloured clears. A wild ball continues any run, and the
// colour after it continues the run whatever it is.
class ComboChain {
public:
    // Advances the chain with a cleared ball's code 0..8, or a colour bomb's
    // code 9..16 for each ball it bursts (the bomb's colour); returns the
    // combo length, 0 when this clear starts a new run.
    int advance(int code);
    void reset() {
        lastColour = -1;
        length = 0;
    }
    // -1 before the first clear, 8 after a wild ball.
    int getLastColour() const { return lastColour; }
    int getLength() const { return length; }

    // The points of a combo of length n: 500 + 1000 + ... + 500 n.
    static int points(int n) { return 250 * n * (n + 1); }

private:
    int lastColour = -1;
    int length = 0;
};

} // namespace ripple
