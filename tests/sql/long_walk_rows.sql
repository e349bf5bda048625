/* 80,000 image rows whose paths all begin with the default search text:
   a rewrite of them runs long enough to show its progress box. */
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE I INTEGER = 1;
BEGIN
  WHILE (I <= 80000) DO BEGIN
    INSERT INTO IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, EXTFILE)
      VALUES (300 + MOD(:I, 11), MOD(:I, 7), :I, '+\immagini\lunga\' || :I || '.jpg');
    I = I + 1;
  END
END^
SET TERM ; ^
COMMIT;
