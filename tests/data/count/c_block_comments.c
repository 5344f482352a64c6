// expect: mode=c TT_TOTAL=14 A1_AREA=8 A1_AREACOM=6 words=0,0,0,0,0,1
#include <stdio.h>
/*
 * Block comment over
 * several lines.
 */
static int count;  /* trailing comment */
int add(int a, int b)
{
    int x = a; /* starts after code
                  and ends here */
    return x + b;
}
/* one-line block */
