-- Demonstration Velmora database: the suite's own tables (BASE, UTILR, FAMILLE) and a small
-- trading business (articles, clients, orders) with views, memo, date, real and yes/no
-- columns and several thousand rows. Deterministic: the same file at every build.
-- Yes/No true is stored as -1, Access's True. A few clients show Access's text order: names
-- that differ only by case, and names beginning with accented capitals or lower-case letters.
-- Long texts are declared LONGTEXT: SQLite would give a column declared MEMO numeric affinity.
PRAGMA page_size = 4096;
BEGIN;

CREATE TABLE BASE (
  ID_BASE LONG PRIMARY KEY,
  COURANT_BASE YESNO NOT NULL,
  TYPE_BASE SHORT NOT NULL,
  LIB_BASE TEXT(50)
);
INSERT INTO BASE VALUES (1, -1, 1, 'Base source Velmora');

CREATE TABLE UTILR (
  ID_UTILR LONG PRIMARY KEY,
  ID_CLE_UTILR TEXT(10),
  NOM_UTILR TEXT(50) NOT NULL,
  CONNECTE_UTILR YESNO NOT NULL,
  DERNIERE_CONNEXION_UTILR DATETIME
);
INSERT INTO UTILR VALUES
  (1, '0000000001', 'Administrateur', 0, '2026-11-30 18:02:11'),
  (2, '0412857390', 'Hélène Garnier', 0, '2026-12-01 09:15:40'),
  (3, '0923345871', 'Jérôme Lefèvre', 0, NULL);

CREATE TABLE FAMILLE (
  ID_FAMILLE LONG PRIMARY KEY,
  CODE_FAMILLE TEXT(10) NOT NULL,
  LIB_FAMILLE TEXT(50) NOT NULL,
  TRADUCTION_HTML_FAMILLE LONGTEXT,
  TAUX_TVA_FAMILLE REAL,
  VISIBLE_FAMILLE YESNO
);
INSERT INTO FAMILLE VALUES
  (1, 'OUT', 'Outillage à main', '<p>Outils <b>à main</b> : marteaux, tournevis, clés.</p>', 20.0, -1),
  (2, 'ELEC', 'Électricité', '<p>Câbles, prises, interrupteurs et <i>tableaux électriques</i>.</p>', 20.0, -1),
  (3, 'PLOM', 'Plomberie', '<p>Raccords, robinetterie, évacuation.</p>', 20.0, -1),
  (4, 'JARD', 'Jardin', '<p>Arrosage, taille, entretien des espaces verts.</p>', 10.0, -1),
  (5, 'PEINT', 'Peinture', '<p>Peintures, vernis, lasures et accessoires.</p>', 20.0, -1),
  (6, 'QUINC', 'Quincaillerie', '<p>Vis, chevilles, charnières, serrures.</p>', 20.0, -1),
  (7, 'BOIS', 'Bois et panneaux', NULL, 20.0, -1),
  (8, 'ECL', 'Éclairage', '<p>Ampoules, luminaires, <b>LED</b>.</p>', 5.5, -1),
  (9, 'SECU', 'Sécurité', NULL, 20.0, 0),
  (10, 'DIV', 'Divers', NULL, NULL, 0);

CREATE TABLE ARTICLE (
  ID_ARTICLE LONG PRIMARY KEY,
  ID_FAMILLE LONG NOT NULL REFERENCES FAMILLE (ID_FAMILLE),
  REF_ARTICLE TEXT(12) NOT NULL,
  LIB_ARTICLE TEXT(60) NOT NULL,
  PRIX_HT_ARTICLE DOUBLE NOT NULL,
  POIDS_ARTICLE REAL,
  STOCK_ARTICLE LONG,
  CREATION_ARTICLE DATETIME,
  ACTIF_ARTICLE YESNO,
  DESCRIPTIF_ARTICLE LONGTEXT
);

CREATE TABLE CLIENT (
  ID_CLIENT LONG PRIMARY KEY,
  NOM_CLIENT TEXT(40) NOT NULL,
  PRENOM_CLIENT TEXT(30),
  VILLE_CLIENT TEXT(40),
  CP_CLIENT TEXT(5),
  INSCRIPTION_CLIENT DATETIME,
  REMISE_CLIENT DOUBLE,
  PROFESSIONNEL_CLIENT YESNO,
  NOTE_CLIENT LONGTEXT
);

CREATE TABLE COMMANDE (
  ID_COMMANDE LONG PRIMARY KEY,
  ID_CLIENT LONG NOT NULL REFERENCES CLIENT (ID_CLIENT),
  DATE_COMMANDE DATETIME NOT NULL,
  STATUT_COMMANDE TEXT(20) NOT NULL,
  LIVREE_COMMANDE YESNO
);

CREATE TABLE LIGNE_COMMANDE (
  ID_COMMANDE LONG NOT NULL REFERENCES COMMANDE (ID_COMMANDE),
  NUM_LIGNE SHORT NOT NULL,
  ID_ARTICLE LONG NOT NULL REFERENCES ARTICLE (ID_ARTICLE),
  QUANTITE SHORT NOT NULL,
  PRIX_UNITAIRE DOUBLE NOT NULL,
  REMISE_LIGNE REAL,
  PRIMARY KEY (ID_COMMANDE, NUM_LIGNE)
);

-- Word lists the generated rows pick from.
CREATE TEMP TABLE MOT (LISTE TEXT, N INTEGER, MOT TEXT);
INSERT INTO MOT VALUES
  ('objet',0,'Marteau'),('objet',1,'Tournevis'),('objet',2,'Clé plate'),('objet',3,'Câble'),
  ('objet',4,'Prise'),('objet',5,'Robinet'),('objet',6,'Tuyau'),('objet',7,'Sécateur'),
  ('objet',8,'Pinceau'),('objet',9,'Rouleau'),('objet',10,'Vis'),('objet',11,'Cheville'),
  ('objet',12,'Planche'),('objet',13,'Ampoule'),('objet',14,'Cadenas'),('objet',15,'Mètre ruban'),
  ('qualite',0,'standard'),('qualite',1,'renforcé'),('qualite',2,'professionnel'),('qualite',3,'économique'),
  ('qualite',4,'inox'),('qualite',5,'laiton'),('qualite',6,'galvanisé'),
  ('nom',0,'Martin'),('nom',1,'Bernard'),('nom',2,'Dubois'),('nom',3,'Thomas'),('nom',4,'Robert'),
  ('nom',5,'Richard'),('nom',6,'Petit'),('nom',7,'Durand'),('nom',8,'Leroy'),('nom',9,'Moreau'),
  ('nom',10,'Simon'),('nom',11,'Laurent'),('nom',12,'Lefèbvre'),('nom',13,'Michel'),('nom',14,'Garçon'),
  ('nom',15,'Müller'),('nom',16,'Fontaine'),('nom',17,'Chevalier'),('nom',18,'Rousseau'),
  ('prenom',0,'Camille'),('prenom',1,'Léa'),('prenom',2,'Noël'),('prenom',3,'Zoé'),('prenom',4,'Jérôme'),
  ('prenom',5,'Chloé'),('prenom',6,'Anaïs'),('prenom',7,'François'),('prenom',8,'Gaël'),('prenom',9,'Inès'),
  ('prenom',10,'Loïc'),('prenom',11,'Mathéo'),
  ('ville',0,'Lyon'),('ville',1,'Besançon'),('ville',2,'Orléans'),('ville',3,'Nîmes'),('ville',4,'Angers'),
  ('ville',5,'Montréal'),('ville',6,'Saint-Étienne'),('ville',7,'Le Mans'),('ville',8,'Aix-en-Provence'),
  ('ville',9,'Besançon'),
  ('statut',0,'Livrée'),('statut',1,'Livrée'),('statut',2,'Livrée'),('statut',3,'En préparation'),
  ('statut',4,'Expédiée'),('statut',5,'Annulée');
CREATE TEMP TABLE NB (LISTE TEXT PRIMARY KEY, COMPTE INTEGER);
INSERT INTO NB SELECT LISTE, COUNT(*) FROM MOT GROUP BY LISTE;

-- 400 articles, 40 per family.
INSERT INTO ARTICLE
WITH RECURSIVE I(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM I WHERE N < 400)
SELECT N,
       1 + (N - 1) / 40,
       printf('A%05d', N * 7),
       (SELECT MOT FROM MOT WHERE LISTE = 'objet' AND MOT.N = (I.N * 7) % 16) || ' ' ||
       (SELECT MOT FROM MOT WHERE LISTE = 'qualite' AND MOT.N = (I.N * 3) % 7) || ' n°' || (N % 50 + 1),
       round(1.5 + ((N * 7919) % 25000) / 100.0, 2),
       CASE WHEN N % 9 = 0 THEN NULL ELSE round(((N * 131) % 5000) / 100.0 + 0.25, 2) END,
       (N * 37) % 250,
       datetime('2019-01-01', '+' || ((N * 113) % 2500) || ' days', '+' || ((N * 17) % 36000) || ' seconds'),
       CASE WHEN N % 11 = 0 THEN 0 ELSE -1 END,
       CASE WHEN N % 5 = 0 THEN 'Article ' || N || ' : fiche détaillée. ' ||
                                 replace(printf('%.' || CASE WHEN N = 5 THEN 100 ELSE 2 + (N * 41) % 40 END || 'c', '*'), '*',
                                         'Conforme aux normes européennes, garantie deux ans. ')
            ELSE NULL END
FROM I;

-- 600 generated clients; the orders go to them.
INSERT INTO CLIENT
WITH RECURSIVE I(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM I WHERE N < 600)
SELECT N,
       (SELECT MOT FROM MOT WHERE LISTE = 'nom' AND MOT.N = (I.N * 7) % 19),
       (SELECT MOT FROM MOT WHERE LISTE = 'prenom' AND MOT.N = (I.N * 5) % 12),
       (SELECT MOT FROM MOT WHERE LISTE = 'ville' AND MOT.N = (I.N * 3) % 10),
       printf('%05d', 1000 + (N * 1237) % 94000),
       datetime('2015-06-01', '+' || ((N * 211) % 4000) || ' days'),
       CASE WHEN N % 4 = 0 THEN round(((N * 13) % 150) / 10.0, 1) ELSE 0.0 END,
       CASE WHEN N % 3 = 0 THEN -1 ELSE 0 END,
       CASE WHEN N % 7 = 0 THEN 'Client fidèle ; préfère être livré le matin.' ELSE NULL END
FROM I;

-- Clients named to show the text order: case ignored, accented letters beside their base letter.
INSERT INTO CLIENT VALUES
  (601, 'dupont', 'Marie', 'Lyon', '69003', '2024-02-05 00:00:00', 0.0, 0, NULL),
  (602, 'DUPONT', 'Jean', 'Angers', '49000', '2024-02-06 00:00:00', 0.0, -1, NULL),
  (603, 'Dupont', 'Élodie', 'Orléans', '45000', '2024-02-07 00:00:00', 5.0, 0, NULL),
  (604, 'Dupond', 'Ève', 'Nîmes', '30000', '2024-02-08 00:00:00', 0.0, 0, NULL),
  (605, 'Émery', 'Ophélie', 'Besançon', '25000', '2024-03-11 00:00:00', 0.0, 0, NULL),
  (606, 'émery', 'Paul', 'Le Mans', '72000', '2024-03-12 00:00:00', 0.0, 0, 'Nom saisi en minuscules.'),
  (607, 'Evrard', 'Agnès', 'Lyon', '69007', '2024-03-13 00:00:00', 0.0, 0, NULL),
  (608, 'Éluard', 'Cécile', 'Saint-Étienne', '42000', '2024-03-14 00:00:00', 0.0, 0, NULL),
  (609, 'Èze Matériaux', NULL, 'Nîmes', '30900', '2024-04-02 00:00:00', 12.5, -1, NULL),
  (610, 'Çelik', 'Émile', 'Besançon', '25000', '2024-04-03 00:00:00', 0.0, 0, NULL),
  (611, 'Cazals', 'Yann', 'Angers', '49100', '2024-04-04 00:00:00', 0.0, 0, NULL),
  (612, 'À la bonne vis', NULL, 'Lyon', '69002', '2024-04-05 00:00:00', 10.0, -1, NULL),
  (613, 'Âtre et foyers', NULL, 'Orléans', '45100', '2024-04-06 00:00:00', 7.5, -1, NULL),
  (614, 'Aubert', 'Théo', 'Aix-en-Provence', '13100', '2024-04-07 00:00:00', 0.0, 0, NULL),
  (615, 'de la Fontaine', 'Jean', 'Montréal', '11290', '2024-04-08 00:00:00', 0.0, 0, NULL),
  (616, 'ébéniste Roux', NULL, 'Le Mans', '72100', '2024-04-09 00:00:00', 0.0, -1, NULL);

-- 3000 orders.
INSERT INTO COMMANDE
WITH RECURSIVE I(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM I WHERE N < 3000)
SELECT N,
       1 + (N * 7907) % 600,
       datetime('2023-01-02 08:00:00', '+' || (N / 3) || ' days', '+' || ((N * 97) % 600) || ' minutes'),
       (SELECT MOT FROM MOT WHERE LISTE = 'statut' AND MOT.N = (I.N * 5) % 6),
       CASE WHEN (N * 5) % 6 < 3 THEN -1 ELSE 0 END
FROM I;

-- 1 to 5 lines per order.
INSERT INTO LIGNE_COMMANDE
WITH RECURSIVE I(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM I WHERE N < 15000)
SELECT 1 + (N - 1) / 5,
       1 + (N - 1) % 5,
       1 + (N * 6151) % 400,
       1 + (N * 17) % 12,
       (SELECT PRIX_HT_ARTICLE FROM ARTICLE WHERE ID_ARTICLE = 1 + (I.N * 6151) % 400),
       CASE WHEN N % 6 = 0 THEN 5.0 WHEN N % 10 = 0 THEN 12.5 ELSE 0.0 END
FROM I
WHERE (N - 1) % 5 < 1 + ((1 + (N - 1) / 5) * 13) % 5;

CREATE VIEW V_COMMANDES_CLIENTS AS
SELECT C.ID_COMMANDE, C.DATE_COMMANDE, C.STATUT_COMMANDE, K.NOM_CLIENT, K.VILLE_CLIENT,
       round(SUM(L.QUANTITE * L.PRIX_UNITAIRE * (1 - L.REMISE_LIGNE / 100)), 2) AS MONTANT_HT
FROM COMMANDE C
JOIN CLIENT K ON K.ID_CLIENT = C.ID_CLIENT
JOIN LIGNE_COMMANDE L ON L.ID_COMMANDE = C.ID_COMMANDE
GROUP BY C.ID_COMMANDE, C.DATE_COMMANDE, C.STATUT_COMMANDE, K.NOM_CLIENT, K.VILLE_CLIENT;

CREATE VIEW V_ARTICLES_PAR_FAMILLE AS
SELECT F.LIB_FAMILLE, A.REF_ARTICLE, A.LIB_ARTICLE, A.PRIX_HT_ARTICLE, A.STOCK_ARTICLE
FROM ARTICLE A JOIN FAMILLE F ON F.ID_FAMILLE = A.ID_FAMILLE;

DROP TABLE MOT;
DROP TABLE NB;
COMMIT;
VACUUM;
