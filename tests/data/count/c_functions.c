// expect: mode=c TT_TOTAL=23 A1_AREA=19 A1_AREACOM=2 A1_NULLLINE=2 words=1,1,1,1,1,2
#include "util.h"

// one-line comment
int max(int a, int b)
{
    if (a > b)
        return a;
    else
        return b;
}

void loop(int n)
{
    for (int i = 0; i < n; ++i) {
        while (busy())
            wait();
    }
    switch (n) {
    default:
        break;
    }
}
