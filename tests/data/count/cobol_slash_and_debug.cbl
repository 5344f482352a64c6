      * expect: mode=cobol TT_TOTAL=11 A1_AREA=3 A1_AREACOM=3 A2_AREA=3 A2_AREACOM=2 words=0,0,0,0
       IDENTIFICATION DIVISION.
       PROGRAM-ID. ZAIKO.
      /
      * page eject above, debug line below
      D    DISPLAY 'DEBUG'.
       PROCEDURE DIVISION.
      *    PERFORM OLD-PARA
           DISPLAY 'ZAIKO'.
      /
           STOP RUN.
