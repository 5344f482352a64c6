      * expect: mode=cobol TT_TOTAL=22 A1_AREA=5 A1_AREACOM=1 A1_PICKUP=3 A2_AREA=5 A2_PICKUP=6 A2_PICKUPCOM=1 A2_NULLLINE=1 words=1,0,0,4
       IDENTIFICATION DIVISION.
       PROGRAM-ID. URIAGE01.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
           EXEC SQL INCLUDE SQLCA END-EXEC.
           EXEC SQL BEGIN DECLARE SECTION END-EXEC.
       01  H-ID                PIC X(8).
           EXEC SQL END DECLARE SECTION END-EXEC.
       PROCEDURE DIVISION.
           EXEC SQL
      * îÑè„ÉeÅ[ÉuÉãÇì«Çﬁ
               SELECT AMOUNT
                 INTO :H-ID
                 FROM URIAGE

                WHERE ID = :H-ID
           END-EXEC.
           IF SQLCODE NOT = 0
               PERFORM ERR-PARA
           END-IF.
           GOBACK.
