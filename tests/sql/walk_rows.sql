/* 100,000 image rows whose paths all begin with the default search text,
   for the path-rewrite walk benchmark. */
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE I INTEGER = 1;
BEGIN
  WHILE (I <= 100000) DO BEGIN
    INSERT INTO IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, EXTFILE)
      VALUES (1000 + MOD(:I, 97), MOD(:I, 13), :I, '+\immagini\walk\' || :I || '.jpg');
    I = I + 1;
  END
END^
SET TERM ; ^
COMMIT;
