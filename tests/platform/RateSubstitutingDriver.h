#pragma once

// Plays a serial driver that cannot make every rate, on the pseudo-terminals of this test program:
// while an instance lives, a line change asking for `asked` bits per second is taken at `given`
// instead, and the driver says so only in the settings it reports afterwards. Works by standing in for
// the C library's ioctl in this executable and passing every other call on unchanged.
class RateSubstitutingDriver {
public:
    RateSubstitutingDriver(unsigned asked, unsigned given);
    ~RateSubstitutingDriver();
    RateSubstitutingDriver(const RateSubstitutingDriver&) = delete;
    RateSubstitutingDriver& operator=(const RateSubstitutingDriver&) = delete;
};
