-- expect: mode=sql TT_TOTAL=9 A1_AREA=4 A1_AREACOM=4 A1_NULLLINE=1 words=0,1,1,1,0
/* schema
   for the demo */
CREATE TABLE T (ID INT);

insert into t values (1);
update t set id = 2;
delete from t;
-- done
