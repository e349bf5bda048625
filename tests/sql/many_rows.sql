/* 1500 more image rows after the handful of the patient database. */
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE I INTEGER = 100;
BEGIN
  WHILE (I < 1600) DO BEGIN
    INSERT INTO IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, EXTFILE)
      VALUES (200 + MOD(:I, 7), MOD(:I, 5), :I, '+\immagini\serie\' || :I || '.jpg');
    I = I + 1;
  END
END^
SET TERM ; ^
COMMIT;
