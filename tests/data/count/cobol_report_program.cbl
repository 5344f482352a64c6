      * expect: mode=cobol TT_TOTAL=27 A1_AREA=10 A1_AREACOM=4 A2_AREA=11 A2_AREACOM=1 A2_NULLLINE=1 words=1,0,1,0
       IDENTIFICATION DIVISION.
       PROGRAM-ID. RPT010.
      *----------------------------------------------------------*
      * åééüîÑè„ÉåÉ|Å[Ég                                          *
      *----------------------------------------------------------*
       ENVIRONMENT DIVISION.
       INPUT-OUTPUT SECTION.
       FILE-CONTROL.
           SELECT IN-FILE ASSIGN TO INFILE.
       DATA DIVISION.
       FILE SECTION.
       FD  IN-FILE.
           COPY INREC.
       PROCEDURE DIVISION.
       0000-MAIN.
           OPEN INPUT IN-FILE
           PERFORM 1000-READ THRU 1000-EXIT
               UNTIL END-OF-FILE
           CLOSE IN-FILE

           GOBACK.
       1000-READ.
           READ IN-FILE AT END SET END-OF-FILE TO TRUE END-READ.
      *    CALL 'DUMP' USING IN-REC
       1000-EXIT.
           EXIT.
