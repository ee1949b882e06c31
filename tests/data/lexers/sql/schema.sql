/* Schema and a PL/pgSQL function.
   A block comment over two lines. */
CREATE TABLE IF NOT EXISTS "order items" (
    id          BIGSERIAL PRIMARY KEY,
    sku         varchar(32) NOT NULL,  -- stock keeping unit
    price       NUMERIC(10, 2) DEFAULT 0.00,
    note        TEXT DEFAULT 'it''s free',
    created_at  timestamptz DEFAULT now()
);

INSERT INTO `legacy`.[Order Items] (sku, price) VALUES ('A-1', 1.5e3), (N'Ü', .25), (x'FF', 0x1F);

SELECT c.name, COUNT(*) AS n, CASE WHEN SUM(o.total) > 100 THEN 'big' ELSE 'small' END AS size
FROM customers AS c
LEFT JOIN (SELECT * FROM orders WHERE status <> 'void') o ON o.customer_id = c.id
WHERE c.email LIKE E'%\'s@example.org' AND c.id = $1 OR c.id = :id OR @@version IS NOT NULL
GROUP BY c.name
HAVING count(*) >= 2;

BEGIN TRANSACTION;
UPDATE accounts SET balance = balance - 10 WHERE id = ?;
COMMIT;

CREATE OR REPLACE FUNCTION total(p_id integer) RETURNS numeric AS $body$
DECLARE
    t numeric := 0;
BEGIN
    IF p_id IS NULL THEN
        RETURN 0;
    END IF;
    FOR r IN SELECT * FROM orders LOOP
        t := t + r.total;
    END LOOP;
    RETURN t;
END;
$body$ LANGUAGE plpgsql;

DO $$ BEGIN RAISE NOTICE 'hi'; END $$;
# a MySQL comment
SELECT data #> '{a,b}' FROM docs;
