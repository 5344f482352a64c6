      * expect: mode=cobol TT_TOTAL=8 A1_AREA=2 A1_AREACOM=2 A2_AREA=3 A2_NULLLINE=1 words=0,0,0,0
*
     *
      *
       PROCEDURE DIVISION.
      
X
           EXIT.
