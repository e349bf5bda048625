/* Amounts whose second row does not fit the four-decimal cell the record set
   reads such a column into. Run in dialect 3. */
CREATE TABLE CONTI (
  ID      INTEGER NOT NULL PRIMARY KEY,
  IMPORTO NUMERIC(18,1)
);
COMMIT;
INSERT INTO CONTI VALUES (1, 1.5);
INSERT INTO CONTI VALUES (2, 90000000000000000.0);
INSERT INTO CONTI VALUES (3, 2.5);
INSERT INTO CONTI VALUES (4, 3.5);
COMMIT;
