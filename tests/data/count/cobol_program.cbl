      * expect: mode=cobol TT_TOTAL=22 A1_AREA=7 A1_AREACOM=2 A1_NULLLINE=1 A2_AREA=10 A2_AREACOM=1 A2_NULLLINE=1 words=2,1,0,0
       IDENTIFICATION DIVISION.
       PROGRAM-ID. KOKYAKU.
      * 顧客マスタの更新
       ENVIRONMENT DIVISION.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  WS-COUNT            PIC 9(5) VALUE ZERO.
       01  WS-NAME             PIC X(20).

       PROCEDURE DIVISION.
       MAIN-PARA.
      * 主処理
           PERFORM INIT-PARA
           PERFORM READ-PARA UNTIL WS-COUNT > 10
           CALL 'SUBPROG' USING WS-NAME
           STOP RUN.
       INIT-PARA.
           MOVE ZERO TO WS-COUNT.

       READ-PARA.
           ADD 1 TO WS-COUNT.
