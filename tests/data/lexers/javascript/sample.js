#!/usr/bin/env node
'use strict';
/**
 * Documentation comment.
 */
import { readFile } from 'node:fs/promises';

const re = /ab+c/gi, other = /[/\]]+\/x/u;
let ratio = total / count / 2;
const half = (a + b) / 2, next = i++ / 3;
if (/^\s*$/.test(line)) { return; }
const big = 1_000_000n + 0xFF + 0b1010 + 0o17 + 1.5e-3 + .25;

const greeting = `Hello, ${user.name}!
Today is ${new Date().toLocaleDateString()}.`;
const nested = `outer ${items.map(x => `inner ${x} ${ {a: 1}.a }`).join(', ')} end`;
const tagged = html`<div class="${cls}">${content}</div>`;
const escaped = `not \${an expression} and a $ sign`;

class Counter extends Base {
  #count = 0;
  static instances = 0;
  get value() { return this.#count; }
  async *stream() {
    yield await fetch(`/api/${this.#count}`);
  }
}

function divide(a, b) {
  // regex after return, division after a name
  return typeof a === 'number' ? a / b : /not a number/;
}
const s1 = 'single \'quoted\'', s2 = "double \"quoted\"", s3 = 'unterminated
label: for (const k of Object.keys(obj)) { continue label; }
