/* Columns that trip up the matching of cells and parameters to columns: an
   array column before a scaled one, and real columns named OLD_x and NEW_x. */
CREATE TABLE MISURE (
  ID     INTEGER NOT NULL PRIMARY KEY,
  SERIE  INTEGER [3],
  VALORE NUMERIC(9,6)
);
CREATE TABLE NOTE (
  ID       INTEGER NOT NULL PRIMARY KEY,
  OLD_CODE VARCHAR(10),
  NEW_CODE VARCHAR(10)
);
COMMIT;
INSERT INTO MISURE (ID, VALORE) VALUES (1, 1.25);
INSERT INTO NOTE VALUES (1, 'a', 'b');
COMMIT;
