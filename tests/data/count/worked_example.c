// expect: mode=worked TT_TOTAL=10 A1_AREA=1 A1_AREACOM=3 A1_NULLLINE=1 A2_AREA=4 A2_AREACOM=1 words=1
#include <stdio.h>

/* header
   more */
int main(void)
{
    // say hi
    printf(msg);
}
