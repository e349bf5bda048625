/* IMMAGINI as the clinic has it, but with room for paths of up to 3000
   bytes, for rewrites with very long search and replacement texts. */
CREATE TABLE IMMAGINI (
  CODICE_CLIENTE  INTEGER,
  NUMERO_CARTELLA INTEGER,
  AUTOID          INTEGER NOT NULL,
  ZONA            VARCHAR(30),
  DATA            DATE,
  EXTFILE         VARCHAR(3000),
  GRAPHICS        BLOB SUB_TYPE 0,
  COMMENTO        VARCHAR(200),
  MISURE          BLOB SUB_TYPE 1,
  CONSTRAINT PK_IMMAGINI PRIMARY KEY (AUTOID)
);
COMMIT;
