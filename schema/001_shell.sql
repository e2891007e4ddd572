-- Shell tables: menu rights, company profile, users and lock passwords. Text
-- columns compare without regard to case; sizes follow the window field lengths.

-- Menu rights: one row per governed main-window item, matched by caption.
CREATE TABLE Menus (
    Menus  VARCHAR(50) COLLATE NOCASE,
    Active VARCHAR(1)  COLLATE NOCASE
);

-- Company profile; CompCode is assigned by the database and never reused.
CREATE TABLE Company (
    CompCode   INTEGER PRIMARY KEY AUTOINCREMENT,
    Company    VARCHAR(50) COLLATE NOCASE NOT NULL,
    comTel     VARCHAR(15) COLLATE NOCASE,
    comFax     VARCHAR(15) COLLATE NOCASE,
    comAddr    VARCHAR(50) COLLATE NOCASE,
    comEmail   VARCHAR(70) COLLATE NOCASE,
    comWebSite VARCHAR(70) COLLATE NOCASE,
    comTax     VARCHAR(17) COLLATE NOCASE,  -- "##-##-####-###-##"
    comNTN     VARCHAR(9)  COLLATE NOCASE,  -- "#######-#"
    comActive  VARCHAR(1)  COLLATE NOCASE   -- 'Y' on the active row, else Null
);

-- Users register; Row_No is the largest plus one, taken by the program.
CREATE TABLE User_Information (
    Row_No      INTEGER PRIMARY KEY,
    User_Code   VARCHAR(15) COLLATE NOCASE, -- "UC-" & Row_No
    User_Name   VARCHAR(50) COLLATE NOCASE,
    Designation VARCHAR(50) COLLATE NOCASE,
    PassWard    VARCHAR(30) COLLATE NOCASE,
    Status      VARCHAR(1)  COLLATE NOCASE  -- 'A' administrator, 'U' user
);

-- Lock passwords of the administrative windows: Argon2id hashes (db::checkLockPassword).
CREATE TABLE LctPswd (
    Pswd VARCHAR(128) NOT NULL
);
