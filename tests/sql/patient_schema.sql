/* The patient database as the clinic has it: table IMMAGINI, one row per
   stored image, EXTFILE the image's path. Dialect 1, character set NONE. */
CREATE TABLE IMMAGINI (
  CODICE_CLIENTE  INTEGER,
  NUMERO_CARTELLA INTEGER,
  AUTOID          INTEGER NOT NULL,
  ZONA            VARCHAR(30),
  DATA            DATE,
  EXTFILE         VARCHAR(255),
  GRAPHICS        BLOB SUB_TYPE 0,
  COMMENTO        VARCHAR(200),
  MISURE          BLOB SUB_TYPE 1,
  CONSTRAINT PK_IMMAGINI PRIMARY KEY (AUTOID)
);
COMMIT;
