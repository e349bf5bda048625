/* 6000 more image rows after those of many_rows.sql, for walks that must
   make the database file grow. */
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE I INTEGER = 2000;
BEGIN
  WHILE (I < 8000) DO BEGIN
    INSERT INTO IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, EXTFILE)
      VALUES (300 + MOD(:I, 11), MOD(:I, 4), :I, '+\immagini\archivio\' || :I || '.jpg');
    I = I + 1;
  END
END^
SET TERM ; ^
COMMIT;
