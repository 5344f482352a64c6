      * expect: mode=cobol TT_TOTAL=7 A1_AREA=5 A1_AREACOM=2 words=0,0,0,0
       01  CUST-REC.
           05  CUST-ID          PIC X(8).
           05  CUST-NAME        PIC N(20).
      * èZèä
           05  CUST-ADDR        PIC N(40).
           05  FILLER           PIC X(12).
